#include "TevalCtl.h"

#include <iostream>

int main(int argc, char **argv)
{
    TevalCtl tool(std::cout, std::cerr);
    return tool.Run(std::vector<std::string>(argv + 1, argv + argc));
}
