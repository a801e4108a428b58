// A C++ library: its own static object, and exceptions that leave it for
// the program's handlers.
#include <iostream>
#include <stdexcept>
#include <string>

namespace {
struct Registry {
    std::string name;
    Registry() : name("library registry") { std::cout << "constructing " << name << std::endl; }
    ~Registry() { std::cout << "destroying " << name << std::endl; }
} registry;
}

int lib_check(int n)
{
    if (n < 0)
        throw std::invalid_argument("negative " + std::to_string(n) + " in " + registry.name);
    if (n == 0)
        throw 42;
    return n * 2;
}
