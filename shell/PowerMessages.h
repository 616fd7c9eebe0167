#pragma once

#include <QString>

// What the user is told when a power action was not confirmed: the board
// refused it, or did not answer and the PC's state is known or not, by the
// detail of the link's report (ILinkListener::kPower...).
QString PowerResultMessage(int nDetail);
