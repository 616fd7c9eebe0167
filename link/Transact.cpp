#include "link/Transact.h"

Exchange Transact(ISerialPort& port, IClock& clock, std::span<const uint8_t> frame,
                  std::stop_token stop, size_t nBufferSize) {
    Exchange exchange;
    port.DiscardInput();
    exchange.bWritten = port.Write(frame);
    clock.SleepFor(Protocol::kExchangeWait, stop);
    exchange.reply.assign(nBufferSize, 0);
    ReadResult read = port.Read(exchange.reply);
    exchange.nCount = read.nCount;
    exchange.bNotConnected = read.bNotConnected;
    return exchange;
}
