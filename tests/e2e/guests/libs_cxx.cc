// The C++ runtime from this machine, beside the program: streams, strings,
// containers, algorithms, static objects and exceptions, within the
// program and across its library. "throw" leaves one uncaught.
#include <algorithm>
#include <cstring>
#include <functional>
#include <iomanip>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

int lib_check(int n);

struct Noisy {
    const char *name;
    explicit Noisy(const char *n) : name(n) { std::cout << "construct " << name << std::endl; }
    ~Noisy() { std::cout << "destroy " << name << std::endl; }
};
static Noisy global_noisy("static object");

static unsigned next_random(unsigned &state) { return state = state * 1103515245u + 12345u; }

int main(int argc, char **argv)
{
    std::cout << "hex " << std::hex << 255 << std::dec << ", padded [" << std::setw(6)
              << std::setfill('*') << 42 << "], fixed " << std::fixed << std::setprecision(3)
              << 3.14159 << ", bool " << std::boolalpha << true << std::endl;
    std::cerr << "to the error stream " << 7 << std::endl;
    if (argc > 1 && std::strcmp(argv[1], "throw") == 0) {
        std::cout << "throwing past main" << std::endl;
        throw std::runtime_error("nobody catches this");
    }

    std::string s;
    for (int i = 0; i < 1000; i++)
        s += static_cast<char>('a' + i % 26);
    std::cout << "string " << s.size() << " find(xyz) " << s.find("xyz") << " substr "
              << s.substr(500, 10) << " rfind " << s.rfind("abc") << std::endl;

    std::map<std::string, int> words;
    for (const char *w : {"pear", "apple", "fig", "apple", "pear", "apple"})
        words[w]++;
    for (const auto &kv : words)
        std::cout << kv.first << "=" << kv.second << " ";
    std::cout << std::endl;

    std::vector<unsigned> v;
    unsigned state = 12345, sum = 0;
    for (int i = 0; i < 100000; i++)
        v.push_back(next_random(state) >> 8);
    std::sort(v.begin(), v.end());
    for (size_t i = 0; i < v.size(); i++)
        sum = sum * 31 + v[i];
    std::cout << "vector " << v.size() << " sorted " << std::is_sorted(v.begin(), v.end())
              << " min " << v.front() << " checksum " << sum << std::endl;

    std::unordered_map<int, std::string> names;
    for (int i = 0; i < 500; i++)
        names[i * 7] = std::to_string(i);
    long total = 0;
    for (const auto &kv : names)
        total += kv.first + std::stol(kv.second);
    std::cout << "unordered " << names.size() << " total " << total << " at 70 "
              << names.at(70) << std::endl;

    std::function<int(int)> twice = [](int x) { return 2 * x; };
    std::function<int(int)> composed = [&](int x) { return twice(x) + 1; };
    std::cout << "function " << composed(20) << std::endl;

    try {
        Noisy local("local object");
        throw std::out_of_range("inside the program");
    } catch (const std::logic_error &e) {
        std::cout << "caught logic_error: " << e.what() << std::endl;
    }
    for (int n : {3, -5, 0}) {
        try {
            std::cout << "lib_check(" << n << ") " << lib_check(n) << std::endl;
        } catch (const std::invalid_argument &e) {
            std::cout << "caught from the library: " << e.what() << std::endl;
        } catch (int e) {
            std::cout << "caught int from the library: " << e << std::endl;
        }
    }
    return 0;
}
