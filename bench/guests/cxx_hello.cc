// The start-up of a C++ program: libstdc++ and libgcc_s loaded and bound,
// the standard streams constructed, one line through std::cout.
#include <iostream>

int main() {
  std::cout << "Hello from C++" << std::endl;
  return 0;
}
