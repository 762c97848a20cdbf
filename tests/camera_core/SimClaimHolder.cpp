// A second process for the claim tests: opens the simulated camera and answers one-word
// requests on standard input, one reply line each, until its input ends.
//   stream  -> starts the camera's streaming, replies "ok"/"failed"
//   status  -> replies the stream status parameter (decimal), or "failed"
#include "commands/TevalCap.h"
#include "protocol/TevalCodes.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

int main()
{
    setenv("TEVALCAP_SIMULATE", "1", 1);
    std::cout << (Teval_OpenDevice() != 0 ? "held" : "refused") << std::endl;
    std::string request;
    while (std::getline(std::cin, request)) {
        if (request == "stream") {
            std::cout << (Teval_SetParamLong(teval::kParamStreaming, 1) != 0 ? "ok" : "failed")
                      << std::endl;
        } else if (request == "status") {
            std::int32_t value = 0;
            if (Teval_GetParamLong(teval::kParamStreaming, &value) != 0) {
                std::cout << value << std::endl;
            } else {
                std::cout << "failed" << std::endl;
            }
        }
    }
    Teval_CloseDevice();
    return 0;
}
