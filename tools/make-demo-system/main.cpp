// make-demo-system TEMPLATE TARGET
//
// Creates a fresh simulated Windows system at TARGET (which must not exist yet) from the
// template folder TEMPLATE, with the executables the template lists.

#include <platform/System.h>
#include <platform/SystemTemplate.h>

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make-demo-system TEMPLATE TARGET\n";
        return 2;
    }
    try {
        platform::CreateSystemFromTemplate(argv[1], argv[2]);
    } catch (const std::exception& error) {
        std::cerr << "make-demo-system: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
