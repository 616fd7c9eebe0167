#pragma once

#include <optional>
#include <string>

// tunevoctl poster: the board's POST-code display, and its mode.

struct PosterOptions {
    std::optional<std::string> mode;  // "code" or "text"
};

int RunPoster(const PosterOptions& options);
