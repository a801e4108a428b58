// The image loader on images built here, byte by byte, in the layout the
// GNU linker gives a small dynamically linked i386 program: a text segment
// at 0x08048000 holding the dynamic tables, the PLT and read-only data, and
// a data segment linked one page above its file position with .dynamic,
// .data and .bss. The guest region can be had once per process, so every
// load runs in a child (EXPECT_EXIT) that reports what it found on stderr.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "process/process.h"
#include "libcbind/iofile.h"
#include "libcbind/streams.h"
#include "libcbind/util.h"
#include "loader/elfload.h"
#include "loader/codescan.h"
#include "loader/elfview.h"
#include "platform/console.h"
#include "platform/memory.h"
#include "runtime/rtl.h"

using process::GuestEntry;
using process::BreakBase;
using process::ImageBase;

namespace {

enum class Where { kRodata, kData, kBss, kUndefined };

struct ObjectRecipe {
  std::string name;
  Where where;
};

// A dynamic relocation of a position-independent image: it changes a GOT
// word of its own (whose first value is `addend`) for the symbol `symbol`
// ("" for none).
struct RelocRecipe {
  uint32_t type;
  std::string symbol;
  uint32_t addend = 0;
};

struct ImageRecipe {
  std::vector<std::string> imports;  // one PLT entry each, in order
  std::vector<ObjectRecipe> objects;
  std::vector<std::string> needed;
  uint32_t bssSize = 64;
  bool sections = true;  // false: no section headers (a static program)
  // Position-independent: linked at 0, ET_DYN marked DF_1_PIE, with a
  // dynamic table that names every table, and these relocations.
  bool pie = false;
  std::vector<RelocRecipe> relocations = {};
  std::vector<std::string> weak = {};  // imports bound weakly
  std::vector<uint8_t> code = {};  // at the entry point (default: hlt)
};

struct Image {
  std::vector<uint8_t> bytes;
  std::map<std::string, uint32_t> address;  // symbol and name addresses
  uint32_t pltAddress = 0, textFileSize = 0;
  uint32_t dataOffset = 0, dataAddress = 0, dataFileSize = 0, bssAddress = 0,
           bssSize = 0, phoff = 52;
  // Position-independent images: link addresses (add kPieBias for the
  // guest's), the GOT words the relocations change, the tables' places.
  uint32_t textAddress = 0, gotAddress = 0, relDynOff = 0, dynamicOff = 0,
           shoff = 0;
  std::map<uint32_t, uint32_t> dynamicAt;  // tag -> file offset of its value
};

constexpr uint32_t kPieBias = 0x08048000;

void Put(std::vector<uint8_t>& b, uint32_t at, uint32_t value, int width = 4) {
  if (b.size() < at + width) b.resize(at + width);
  for (int k = 0; k < width; ++k) b[at + k] = static_cast<uint8_t>(value >> (8 * k));
}

uint32_t Align(uint32_t v, uint32_t a) { return (v + a - 1) & ~(a - 1); }

void SetU32Raw(std::vector<uint8_t>& b, uint32_t at, uint32_t v) { Put(b, at, v); }

uint32_t Word32(const std::vector<uint8_t>& b, uint32_t at) {
  uint32_t v;
  std::memcpy(&v, &b.at(at), 4);
  return v;
}

Image Build(const ImageRecipe& recipe) {
  Image img;
  std::vector<uint8_t>& b = img.bytes;
  const uint32_t base = recipe.pie ? 0 : 0x08048000;
  // .dynstr: "", import names, object names, library names.
  std::string dynstr(1, '\0');
  std::map<std::string, uint32_t> nameAt;
  auto addName = [&](const std::string& n) {
    nameAt[n] = static_cast<uint32_t>(dynstr.size());
    dynstr += n + '\0';
  };
  for (auto& n : recipe.imports) addName(n);
  for (auto& o : recipe.objects) addName(o.name);
  for (auto& n : recipe.needed) addName(n);

  const uint32_t symCount = 1 + recipe.imports.size() + recipe.objects.size();
  // A position-independent image has a third program header: PT_DYNAMIC.
  const uint32_t dynsymOff = recipe.pie ? 0xA0 : 0x80, dynstrOff = dynsymOff + 16 * symCount;
  const uint32_t relOff = Align(dynstrOff + dynstr.size(), 4);
  img.relDynOff = relOff + 8 * recipe.imports.size();
  const uint32_t hashOff = img.relDynOff + 8 * recipe.relocations.size();
  const uint32_t pltOff = Align(hashOff + (recipe.pie ? 12 + 4 * symCount : 0), 16);
  const uint32_t pltSize = 16 * (1 + recipe.imports.size());
  const uint32_t textOff = pltOff + pltSize;
  const uint32_t codeSize = Align(std::max<uint32_t>(16, recipe.code.size()), 16);
  const uint32_t rodataOff = textOff + codeSize;
  img.textAddress = base + textOff;
  uint32_t rodataCount = 0, dataCount = 0, bssCount = 0;
  for (auto& o : recipe.objects) {
    rodataCount += o.where == Where::kRodata;
    dataCount += o.where == Where::kData;
    bssCount += o.where == Where::kBss;
  }
  img.textFileSize = rodataOff + 4 * rodataCount;
  img.dataOffset = Align(img.textFileSize, 4);
  img.dataAddress = base + 0x1000 + img.dataOffset;
  const uint32_t dynamicOff = img.dataOffset;
  // The tags a position-independent image's dynamic table names.
  const uint32_t pieTags[] = {5, 10, 6, 4, 17, 18, 19, 23, 2, 20, 0x6FFFFFFB};
  const uint32_t dynamicSize =
      8 * (recipe.needed.size() + 1 + (recipe.pie ? std::size(pieTags) : 0));
  const uint32_t dataWordsOff = dynamicOff + dynamicSize;
  img.dynamicOff = dynamicOff;
  // Two more words of .data, then the GOT words of the relocations.
  img.dataFileSize = dynamicSize + 4 * dataCount + 8 + 4 * recipe.relocations.size();
  img.gotAddress = img.dataAddress + dynamicSize + 4 * dataCount + 8;
  // A position-independent image's PLT slots follow, so that binding them
  // changes no other word.
  if (recipe.pie) img.dataFileSize += 4 * (3 + recipe.imports.size());
  img.bssAddress = img.dataAddress + img.dataFileSize;
  img.bssSize = std::max<uint32_t>(recipe.bssSize, 4 * bssCount);
  img.pltAddress = base + pltOff;

  // Symbols and their words.
  uint32_t nextRodata = 0, nextData = 0, nextBss = 0;
  for (size_t i = 0; i < recipe.imports.size(); ++i) {
    Put(b, dynsymOff + 16 * (1 + i), nameAt[recipe.imports[i]]);
    for (auto& w : recipe.weak)
      if (w == recipe.imports[i]) Put(b, dynsymOff + 16 * (1 + i) + 12, 0x20, 1);  // STB_WEAK
  }
  for (size_t i = 0; i < recipe.objects.size(); ++i) {
    const ObjectRecipe& o = recipe.objects[i];
    uint32_t value = 0;
    if (o.where == Where::kRodata) {
      value = base + rodataOff + 4 * nextRodata;
      Put(b, rodataOff + 4 * nextRodata++, 0x00020001);
    } else if (o.where == Where::kData) {
      value = img.dataAddress + dynamicSize + 4 * nextData;
      Put(b, dataWordsOff + 4 * nextData++, 0xDDDDDDDD);
    } else if (o.where == Where::kBss) {
      value = img.bssAddress + 4 * nextBss++;
    }
    const uint32_t at = dynsymOff + 16 * (1 + recipe.imports.size() + i);
    Put(b, at, nameAt[o.name]);
    Put(b, at + 4, value);
    if (o.where != Where::kUndefined) {
      img.address[o.name] = value;
      Put(b, at + 14, 1, 2);  // defined in a section
    }
  }
  for (auto& [name, offset] : nameAt) img.address["name:" + name] = base + dynstrOff + offset;
  Put(b, dataWordsOff + 4 * dataCount, 0x11111111);
  Put(b, dataWordsOff + 4 * dataCount + 4, 0x22222222);
  std::memcpy(&b[dynstrOff], dynstr.data(), dynstr.size());

  // .rel.plt and .plt in the conventional lazy form.
  const uint32_t gotPlt = recipe.pie ? img.gotAddress + 4 * recipe.relocations.size()
                                    : img.dataAddress + dynamicSize;
  Put(b, pltOff, 0x35FF, 2);
  Put(b, pltOff + 2, gotPlt + 4);
  Put(b, pltOff + 6, 0x25FF, 2);
  Put(b, pltOff + 8, gotPlt + 8);
  for (size_t i = 0; i < recipe.imports.size(); ++i) {
    Put(b, relOff + 8 * i, gotPlt + 12 + 4 * i);
    Put(b, relOff + 8 * i + 4, ((1 + i) << 8) | 7);
    const uint32_t e = pltOff + 16 * (1 + i);
    Put(b, e, 0x25FF, 2);
    Put(b, e + 2, gotPlt + 12 + 4 * i);
    Put(b, e + 6, 0x68, 1);
    Put(b, e + 7, 8 * i);
    Put(b, e + 11, 0xE9, 1);
    Put(b, e + 12, pltOff - (e + 16));
  }
  for (uint32_t k = 0; k < codeSize; ++k)
    Put(b, textOff + k, k < recipe.code.size() ? recipe.code[k] : 0xF4, 1);  // hlt
  // Relocations and their GOT words, after .data's words.
  auto symbolIndex = [&](const std::string& n) -> uint32_t {
    if (n.empty()) return 0;
    for (size_t i = 0; i < recipe.imports.size(); ++i)
      if (recipe.imports[i] == n) return 1 + i;
    for (size_t i = 0; i < recipe.objects.size(); ++i)
      if (recipe.objects[i].name == n) return 1 + recipe.imports.size() + i;
    return 0xFFFF;
  };
  for (size_t k = 0; k < recipe.relocations.size(); ++k) {
    const RelocRecipe& r = recipe.relocations[k];
    Put(b, img.relDynOff + 8 * k, img.gotAddress + 4 * k);
    Put(b, img.relDynOff + 8 * k + 4, (symbolIndex(r.symbol) << 8) | r.type);
    Put(b, dataWordsOff + 4 * dataCount + 8 + 4 * k, r.addend);
  }
  if (recipe.pie) {  // a System V hash table: one bucket, chain counts the symbols
    Put(b, hashOff, 1);
    Put(b, hashOff + 4, symCount);
  }
  for (size_t i = 0; i < recipe.needed.size(); ++i) {
    Put(b, dynamicOff + 8 * i, 1);
    Put(b, dynamicOff + 8 * i + 4, nameAt[recipe.needed[i]]);
  }
  if (recipe.pie) {
    const uint32_t values[] = {base + dynstrOff, static_cast<uint32_t>(dynstr.size()),
                               base + dynsymOff, base + hashOff, base + img.relDynOff,
                               static_cast<uint32_t>(8 * recipe.relocations.size()), 8,
                               base + relOff,
                               static_cast<uint32_t>(8 * recipe.imports.size()), 17,
                               0x08000000};
    static_assert(std::size(values) == std::size(pieTags));
    for (size_t i = 0; i < std::size(pieTags); ++i) {
      const uint32_t at = dynamicOff + 8 * (recipe.needed.size() + i);
      Put(b, at, pieTags[i]);
      Put(b, at + 4, values[i]);
      img.dynamicAt[pieTags[i]] = at + 4;
    }
  }
  b.resize(img.dataOffset + img.dataFileSize);

  // Section names and headers.
  const uint32_t shstrOff = b.size();
  const char names[] = "\0.dynsym\0.dynstr\0.rel.plt\0.dynamic\0.shstrtab\0.text";
  b.insert(b.end(), names, names + sizeof names);
  const uint32_t shoff = Align(b.size(), 4);
  img.shoff = shoff;
  struct Sh { uint32_t name, offset, size, type = 0, flags = 0, addr = 0; } sh[] = {
      {0, 0, 0},
      {1, dynsymOff, 16 * symCount},
      {9, dynstrOff, static_cast<uint32_t>(dynstr.size())},
      {17, relOff, static_cast<uint32_t>(8 * recipe.imports.size())},
      {21, pltOff, pltSize},  // ".plt" is the tail of ".rel.plt"
      {26, dynamicOff, dynamicSize},
      {35, shstrOff, static_cast<uint32_t>(sizeof names)},
      {45, textOff, codeSize, 1, 6, base + textOff},  // PROGBITS, AX
  };
  for (size_t i = 0; i < std::size(sh); ++i) {
    Put(b, shoff + 40 * i, sh[i].name);
    Put(b, shoff + 40 * i + 4, sh[i].type);
    Put(b, shoff + 40 * i + 8, sh[i].flags);
    Put(b, shoff + 40 * i + 12, sh[i].addr);
    Put(b, shoff + 40 * i + 16, sh[i].offset);
    Put(b, shoff + 40 * i + 20, sh[i].size);
  }
  b.resize(shoff + 40 * std::size(sh));

  // Header and the two loadable segments.
  const uint8_t ident[] = {0x7F, 'E', 'L', 'F', 1, 1, 1};
  std::memcpy(&b[0], ident, sizeof ident);
  Put(b, 16, recipe.pie ? 3 : 2, 2);
  Put(b, 18, 3, 2);
  Put(b, 20, 1);
  Put(b, 24, base + textOff);
  Put(b, 28, img.phoff);
  Put(b, 32, recipe.sections ? shoff : 0);
  Put(b, 44, recipe.pie ? 3 : 2, 2);
  Put(b, 48, recipe.sections ? std::size(sh) : 0, 2);
  Put(b, 50, recipe.sections ? 6 : 0, 2);
  const uint32_t ph[2][6] = {
      {0, base, img.textFileSize, img.textFileSize, 5, 1},  // R X
      {img.dataOffset, img.dataAddress, img.dataFileSize,
       img.dataFileSize + img.bssSize, 6, 1},  // R W
  };
  for (int i = 0; i < 2; ++i) {
    const uint32_t at = img.phoff + 32 * i;
    Put(b, at, 1);
    Put(b, at + 4, ph[i][0]);
    Put(b, at + 8, ph[i][1]);
    Put(b, at + 12, ph[i][1]);
    Put(b, at + 16, ph[i][2]);
    Put(b, at + 20, ph[i][3]);
    Put(b, at + 24, ph[i][4]);
  }
  if (recipe.pie) {
    const uint32_t at = img.phoff + 64;
    Put(b, at, 2);  // PT_DYNAMIC
    Put(b, at + 4, dynamicOff);
    Put(b, at + 8, img.dataAddress);
    Put(b, at + 16, dynamicSize);
    Put(b, at + 20, dynamicSize);
    Put(b, at + 24, 6);
  }
  return img;
}

// A guest that uses everything the loader binds.
ImageRecipe FullSpec() {
  return ImageRecipe{{"puts", "nosuchfunction", "exit"},
                   {{"stdout", Where::kBss},
                    {"stderr", Where::kBss},
                    {"stdin", Where::kData},  // in the moved file part
                    {"_IO_stdin_used", Where::kRodata},
                    {"optind", Where::kBss},
                    {"optarg", Where::kBss},
                    {"optopt", Where::kBss},
                    {"opterr", Where::kData},
                    {"stdout", Where::kUndefined}},  // st_value 0: skipped
                   {"libc.so.6"}};
}

constexpr uint32_t kPuts = 0x0BAD0001, kExit = 0x0BAD0002;

// In a child: registry, host values, then the load.
// The loader's own lines (warnings, the reporter's) go to standard output
// as they did before these tests' stderr was the children's verdict.
void LoaderLinesToStandardOutput() {
  rtl::testing::RedirectConsole(platform::StdOutput(), false, platform::StdInput(),
                                platform::StdOutput());
}

bool LoadInChild(const Image& img) {
  LoaderLinesToStandardOutput();
  util::Init();
  util::RegisterImport("puts", kPuts);
  util::RegisterImport("exit", kExit);
  tblibc::StartStreams();
  return LoadElfImageFromBytes("guest", img.bytes);
}

// What the guest's `stdin`, `stdout` and `stderr` words hold.
uint32_t StreamWord(int fd) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(tblibc::io::Standard(fd)));
}

int g_failures = 0;

void Expect(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "FAILED: %s\n", what);
    ++g_failures;
  }
}

uint32_t Word(uint32_t address) {
  uint32_t v;
  std::memcpy(&v, reinterpret_cast<void*>(uintptr_t{address}), 4);
  return v;
}

const uint8_t* Bytes(uint32_t address) {
  return reinterpret_cast<const uint8_t*>(uintptr_t{address});
}

[[noreturn]] void Finish() {
  std::fflush(stderr);
  std::_Exit(g_failures == 0 ? 0 : 1);
}

void CheckFullLoad(const Image& img) {
  Expect(LoadInChild(img), "the image loads");
  Expect(GuestEntry == Word(reinterpret_cast<uintptr_t>(img.bytes.data()) + 24),
         "GuestEntry is e_entry");
  Expect(BreakBase == img.bytes.size() + 0x08050000, "BreakBase keeps file size + 0x08050000");

  // PLT0 untouched; a served name jumps, an unserved one calls the reporter.
  Expect(std::memcmp(Bytes(img.pltAddress), &img.bytes[img.pltAddress - ImageBase], 16) == 0,
         "PLT0 unchanged");
  auto checkJump = [&](uint32_t e, uint32_t target, const char* what) {
    for (int k = 0; k < 11; ++k) Expect(Bytes(e)[k] == 0x90, what);
    Expect(Bytes(e)[11] == 0xE9 && Word(e + 12) == target - (e + 16), what);
  };
  checkJump(img.pltAddress + 16, kPuts, "puts entry: 11 nops and jmp to the host");
  checkJump(img.pltAddress + 48, kExit, "exit entry: 11 nops and jmp to the host");
  const uint32_t e = img.pltAddress + 32;
  for (int k = 0; k < 6; ++k) Expect(Bytes(e)[k] == 0x90, "unserved entry: 6 nops");
  Expect(Bytes(e)[6] == 0x68 && Word(e + 7) == img.address.at("name:nosuchfunction"),
         "unserved entry pushes the name's address");
  Expect(std::strcmp(reinterpret_cast<const char*>(uintptr_t{Word(e + 7)}),
                     "nosuchfunction") == 0, "the pushed address holds the name");
  Expect(Bytes(e)[11] == 0xE8 &&
             Word(e + 12) == util::UnknownCallReporterAddress() - (e + 16),
         "unserved entry calls the reporter");

  // Data objects, written after placement wherever they live.
  Expect(Word(img.address.at("stdout")) == StreamWord(1), "stdout in .bss");
  Expect(Word(img.address.at("stderr")) == StreamWord(2), "stderr in .bss");
  Expect(Word(img.address.at("stdin")) == StreamWord(0), "stdin in moved .data");
  Expect(Word(img.address.at("_IO_stdin_used")) ==
             reinterpret_cast<uintptr_t>(&process::StdinUsedWord),
         "_IO_stdin_used holds the address of StdinUsedWord");
  Expect(process::GuestOptindAddress == img.address.at("optind"), "optind recorded");
  Expect(process::GuestOptargAddress == img.address.at("optarg"), "optarg recorded");
  Expect(process::GuestOptoptAddress == img.address.at("optopt"), "optopt recorded");
  Expect(process::GuestOpterrAddress == img.address.at("opterr"), "opterr recorded");
  Expect(Word(img.address.at("optind")) == 0, "nothing written into optind");
  Expect(Word(img.address.at("opterr")) == 0xDDDDDDDD, "nothing written into opterr");

  // The data segment moved up a page, its .bss zeroed apart from objects.
  const uint32_t words = img.dataAddress + img.dataFileSize - 8;
  Expect(Word(words) == 0x11111111 && Word(words + 4) == 0x22222222,
         "initialised data at its link address");
  Expect(std::memcmp(Bytes(img.dataAddress), &img.bytes[img.dataOffset], 8) == 0,
         ".dynamic moved intact");
  bool zero = true;
  for (uint32_t a = img.bssAddress + 16; a < img.bssAddress + img.bssSize; ++a)
    zero = zero && Bytes(a)[0] == 0;
  Expect(zero, ".bss zeroed");
}

TEST(ElfLoad, BindsAndPlacesAConventionalImage) {
  const Image img = Build(FullSpec());
  EXPECT_EXIT({ CheckFullLoad(img); Finish(); }, ::testing::ExitedWithCode(0), "^$");
}

TEST(ElfLoad, HugeBssMovesTheBreakArea) {
  ImageRecipe recipe = FullSpec();
  recipe.bssSize = 0x300000;
  const Image img = Build(recipe);
  EXPECT_EXIT(
      {
        Expect(LoadInChild(img), "loads");
        const uint32_t end = img.bssAddress + img.bssSize;
        Expect(BreakBase == Align(end, 0x1000), "break area starts at the page after .bss");
        Expect(Bytes(end - 1)[0] == 0, "last .bss byte zero");
        *reinterpret_cast<volatile uint8_t*>(uintptr_t{end - 1}) = 1;
        *reinterpret_cast<volatile uint8_t*>(uintptr_t{BreakBase + 0x7FFFFF}) = 1;
        Finish();
      },
      ::testing::ExitedWithCode(0), "^$");
}

TEST(ElfLoad, StaticImageIsOnlyPlaced) {
  ImageRecipe recipe = FullSpec();
  recipe.sections = false;
  const Image img = Build(recipe);
  EXPECT_EXIT(
      {
        Expect(LoadInChild(img), "loads");
        Expect(std::memcmp(Bytes(img.pltAddress + 16), &img.bytes[img.pltAddress + 16 - ImageBase],
                           16) == 0, "no PLT rewriting");
        Expect(process::GuestOptindAddress == 0, "no optind");
        Expect(Word(img.address.at("stdout")) == 0, "no data objects");
        Finish();
      },
      ::testing::ExitedWithCode(0), "^$");
}

// The protection Linux would give: code and read-only data fault on write,
// data, .bss and the break area do not.
TEST(ElfLoad, SegmentsGetTheirProtection) {
  const Image img = Build(FullSpec());
  auto write = [](uint32_t address) {
    *reinterpret_cast<volatile uint8_t*>(uintptr_t{address}) = 0;
  };
  EXPECT_EXIT(
      {
        LoadInChild(img);
        write(img.dataAddress);
        write(img.bssAddress + img.bssSize - 1);
        write(BreakBase);
        write(0x08040000);
        Finish();
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_DEATH({ LoadInChild(img); write(GuestEntry); }, "");
  EXPECT_DEATH({ LoadInChild(img); write(img.address.at("_IO_stdin_used")); }, "");
}

// ---- Position-independent images --------------------------------------------

// R_386 relocation types.
constexpr uint32_t k32 = 1, kPc32 = 2, kGlobDat = 6, kRelative = 8;

// The canary reads of a prologue and an epilogue, and a push whose
// immediate holds the bytes of one (which must stay as it is).
const std::vector<uint8_t> kCanaryCode = {
    0x65, 0xA1, 0x14, 0, 0, 0,              // mov %gs:0x14,%eax
    0xC3,                                   // ret
    0x65, 0x2B, 0x15, 0x14, 0, 0, 0,        // sub %gs:0x14,%edx
    0x68, 0x65, 0xA1, 0x14, 0x00,           // push $0x0014a165
    0x00, 0x00,                             // add %al,(%eax)
    0xC3,
};

ImageRecipe PieSpec() {
  ImageRecipe r;
  r.pie = true;
  r.imports = {"puts", "nosuchfunction", "exit", "__gmon_start__", "nosuchstrong"};
  r.weak = {"__gmon_start__"};
  r.objects = {{"stdin", Where::kData},
               {"_IO_stdin_used", Where::kRodata},
               {"stdout", Where::kUndefined},
               {"optind", Where::kUndefined}};
  r.needed = {"libc.so.6"};
  r.relocations = {
      {kRelative, "", 0x100},        // 0
      {kGlobDat, "stdout"},          // 1: a cell holding the stream
      {kGlobDat, "optind"},          // 2: a cell the option parser knows
      {kGlobDat, "__gmon_start__"},  // 3: weak and unserved: 0
      {k32, "exit", 4},              // 4
      {kPc32, "puts", 0xFFFFFFFC},   // 5
      {kGlobDat, "stdin"},           // 6: the program's own copy
      {kGlobDat, "nosuchstrong"},    // 7: the reporter's stub
      {kGlobDat, "puts"},            // 8
  };
  r.code = kCanaryCode;
  return r;
}

uint32_t Got(const Image& img, uint32_t k) { return Word(kPieBias + img.gotAddress + 4 * k); }

// A stub reports `name`: push name, push a stand-in, jump to the reporter.
void CheckStub(uint32_t stub, const char* name) {
  Expect(Bytes(stub)[0] == 0x68 && Bytes(stub)[5] == 0x68 && Bytes(stub)[10] == 0xE9,
         "stub: push, push, jmp");
  Expect(std::strcmp(reinterpret_cast<const char*>(uintptr_t{Word(stub + 1)}), name) == 0,
         "stub pushes the name");
  Expect(Word(stub + 11) == util::UnknownCallReporterAddress() - (stub + 15),
         "stub jumps to the reporter");
}

void CheckPieLoad(const Image& img) {
  Expect(LoadInChild(img), "the image loads");
  Expect(GuestEntry == kPieBias + img.textAddress, "entry moved with the image");
  Expect(BreakBase == img.bytes.size() + 0x08050000, "BreakBase by the ET_EXEC rule");
  Expect(Got(img, 0) == kPieBias + 0x100, "RELATIVE adds the bias");
  const uint32_t cell = Got(img, 1);
  Expect(cell != 0 && Word(cell) == StreamWord(1), "stdout: a cell holding the stream");
  uint32_t base = 0, end = 0;
  platform::GuestRegion(&base, &end);
  Expect(cell < base || cell >= end, "the cell is the loader's, not the guest's");
  const uint32_t optind = Got(img, 2);
  Expect(Word(optind) == 1 && process::GuestOptindAddress == optind,
         "optind: a cell holding 1 that the option parser updates");
  Expect(Got(img, 3) == 0, "weak unserved name: 0");
  Expect(Got(img, 4) == kExit + 4, "R_386_32: symbol + addend");
  const uint32_t p = kPieBias + img.gotAddress + 20;
  Expect(Got(img, 5) == kPuts - 4 - p, "R_386_PC32: symbol + addend - place");
  Expect(Got(img, 6) == kPieBias + img.address.at("stdin"), "own object: its moved address");
  Expect(Word(kPieBias + img.address.at("stdin")) == StreamWord(0), "own stdin copy filled");
  Expect(Word(kPieBias + img.address.at("_IO_stdin_used")) ==
             reinterpret_cast<uintptr_t>(&process::StdinUsedWord),
         "_IO_stdin_used at its moved address");
  CheckStub(Got(img, 7), "nosuchstrong");
  Expect(Got(img, 8) == kPuts, "GLOB_DAT of a function: its host entry");
  // The lazy PLT's slots are bound; the PLT itself is left as it is.
  const uint32_t slots = kPieBias + img.gotAddress + 4 * 9 + 12;
  Expect(Word(slots) == kPuts && Word(slots + 8) == kExit && Word(slots + 12) == 0,
         "JUMP_SLOT: host entries, weak unserved 0");
  CheckStub(Word(slots + 4), "nosuchfunction");
  Expect(std::memcmp(Bytes(kPieBias + img.pltAddress), &img.bytes[img.pltAddress],
                     16 * 6) == 0, "the PLT is not rewritten");
  // Canary reads redirected, the look-alike inside the push left.
  const uint32_t code = kPieBias + img.textAddress;
  const uint32_t canary = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&process::Thread->canary));
  Expect(Bytes(code)[0] == 0x3E && Bytes(code)[1] == 0xA1 && Word(code + 2) == canary,
         "mov %gs:0x14,%eax reads the loader's canary");
  Expect(Bytes(code + 7)[0] == 0x3E && Bytes(code + 7)[1] == 0x2B &&
             Bytes(code + 7)[2] == 0x15 && Word(code + 10) == canary,
         "sub %gs:0x14,%edx reads the loader's canary");
  Expect(std::memcmp(Bytes(code + 14), &kCanaryCode[14], 8) == 0, "the push is untouched");
  // The stub runs: the report, then 0 to the caller.
  process::Thread->canary = 0x12345600;
  Expect(reinterpret_cast<uint32_t (*)()>(uintptr_t{Got(img, 7)})() == 0,
         "the stub answers 0");
  Expect(reinterpret_cast<uint32_t (*)()>(uintptr_t{code})() == 0x12345600,
         "the redirected read runs and reads the canary");
}

TEST(ElfLoad, BindsAPositionIndependentImage) {
  const Image img = Build(PieSpec());
  EXPECT_EXIT({ CheckPieLoad(img); Finish(); }, ::testing::ExitedWithCode(0), "^$");
}

TEST(ElfLoad, FindsATablesThroughTheDynamicSegmentWhenStripped) {
  ImageRecipe recipe = PieSpec();
  recipe.sections = false;
  const Image img = Build(recipe);
  EXPECT_EXIT(
      {
        Expect(LoadInChild(img), "loads without section headers");
        Expect(Got(img, 4) == kExit + 4 && Got(img, 8) == kPuts, "relocations applied");
        Expect(Word(Got(img, 1)) == StreamWord(1), "stdout cell");
        Finish();
      },
      ::testing::ExitedWithCode(0), "^$");
}

struct PieRefusal {
  const char* what;
  bool strip;
  void (*apply)(Image&);
  const char* text;
};

void SetDynamic(Image& img, uint32_t tag, uint32_t value) {
  SetU32Raw(img.bytes, img.dynamicAt.at(tag), value);
}

void SetReloc(Image& img, uint32_t k, uint32_t field, uint32_t value) {
  SetU32Raw(img.bytes, img.relDynOff + 8 * k + field, value);
}

constexpr const char* kDamagedText = "\" is damaged.";

const PieRefusal kPieRefusals[] = {
    {"not marked position-independent, no interpreter", false,
     [](Image& i) { SetDynamic(i, 0x6FFFFFFB, 0); }, "\" is not an executable."},
    {"a TLS descriptor relocation", false, [](Image& i) { SetReloc(i, 1, 4, (2 << 8) | 41); },
     "\" needs a relocation that tumbex does not apply."},
    {"a RELA PLT", false, [](Image& i) { SetDynamic(i, 20, 7); },
     "\" needs a relocation that tumbex does not apply."},
    {"relocation outside the image", false, [](Image& i) { SetReloc(i, 2, 0, 0x7FFFFFF0); },
     kDamagedText},
    {"relocation just past the data segment", false,
     [](Image& i) { SetReloc(i, 2, 0, i.dataAddress + i.dataFileSize + i.bssSize - 2); },
     kDamagedText},
    {"symbol index past the table", false, [](Image& i) { SetReloc(i, 1, 4, (0xFFFF << 8) | 6); },
     kDamagedText},
    {"relocation table size", false, [](Image& i) { SetDynamic(i, 18, 0x7FFFFFF8); }, kDamagedText},
    {"relocation table size not whole entries", false, [](Image& i) { SetDynamic(i, 18, 12); },
     kDamagedText},
    {"relocation entry size", false, [](Image& i) { SetDynamic(i, 19, 12); }, kDamagedText},
    {"PLT relocations outside the file", false, [](Image& i) { SetDynamic(i, 23, 0x40000000); },
     kDamagedText},
    {"dynamic segment past the file", false,
     [](Image& i) { SetU32Raw(i.bytes, i.phoff + 64 + 4, 0xFFFFFF00); }, kDamagedText},
    {"symbol table outside", true, [](Image& i) { SetDynamic(i, 6, 0x7FFF0000); }, kDamagedText},
    {"hash table outside", true, [](Image& i) { SetDynamic(i, 4, 0x7FFF0000); }, kDamagedText},
    {"hash table's symbol count", true,
     [](Image& i) { SetU32Raw(i.bytes, Word32(i.bytes, i.dynamicAt.at(4)) + 4, 0x10000000); },
     kDamagedText},
    {"string table size", true, [](Image& i) { SetDynamic(i, 10, 0x7FFFFFFF); }, kDamagedText},
};

TEST(ElfLoad, RefusesDamagedPositionIndependentTables) {
  EXPECT_EQ(ElfRefusalText(Build(PieSpec()).bytes), "");
  for (const PieRefusal& r : kPieRefusals) {
    ImageRecipe recipe = PieSpec();
    recipe.sections = !r.strip;
    Image img = Build(recipe);
    EXPECT_EQ(ElfRefusalText(img.bytes), "") << r.what << " (before the damage)";
    r.apply(img);
    EXPECT_EQ(ElfRefusalText(img.bytes), r.text) << r.what;
  }
}

// ---- Large tables -------------------------------------------------------------
//
// Shapes users have made by hand, at a size the suite can afford: tens of
// thousands of segments and relocations, version-needs records that each
// claim 65 535 versions. The checks must follow the tables rather than
// multiply their counts; a check that did would make this test slow, but
// what is asserted is only the answer.

constexpr uint32_t kTailLink = 0x100000;  // where a grown image's tail is linked
constexpr uint32_t kDtRel = 17, kDtRelsz = 18, kDtRelent = 19, kDtFlags1 = 0x6FFFFFFB,
                   kDtVerneed = 0x6FFFFFFE, kDtVerneednum = 0x6FFFFFFF;

// A page of nothing lies between the tail and the pages.
uint32_t PagesLink(const std::vector<uint8_t>& tail) {
  return kTailLink + Align(tail.size(), 0x1000) + 0x1000;
}

// `tail` is appended to a position-independent image in a loadable segment
// of its own, linked at kTailLink, and `pages` one-page segments follow it
// in memory from PagesLink(tail) up; a new program header table holds
// them and the image's own three.
void Grow(Image& img, const std::vector<uint8_t>& tail, uint32_t pages) {
  std::vector<uint8_t>& b = img.bytes;
  const std::vector<uint8_t> own(b.begin() + img.phoff, b.begin() + img.phoff + 3 * 32);
  const uint32_t at = Align(b.size(), 0x1000);
  b.resize(at);
  b.insert(b.end(), tail.begin(), tail.end());
  b.resize(Align(b.size(), 4));
  const uint32_t phoff = b.size();
  b.insert(b.end(), own.begin(), own.end());
  auto segment = [&](uint32_t offset, uint32_t link, uint32_t filesz, uint32_t memsz) {
    const uint32_t fields[8] = {1, offset, link, link, filesz, memsz, 6, 0x1000};
    for (uint32_t f : fields) Put(b, b.size(), f);
  };
  segment(at, kTailLink, tail.size(), tail.size());
  for (uint32_t i = 0; i < pages; ++i) segment(0, PagesLink(tail) + 0x1000 * i, 0, 0x1000);
  Put(b, 28, phoff);
  Put(b, 44, 3 + 1 + pages, 2);
}

// `files` version-needs records, each claiming `claimed` versions and
// leading to one version record that ends its list (a link of 0). Laid out
// one after another, or, when `shared`, all leading to one version record
// after them.
std::vector<uint8_t> VersionNeeds(uint32_t files, uint16_t claimed, bool shared) {
  std::vector<uint8_t> t;
  const uint32_t stride = shared ? 16 : 32;
  for (uint32_t i = 0; i < files; ++i) {
    const uint32_t vn = stride * i;
    Put(t, vn, 1, 2);                                          // version
    Put(t, vn + 2, claimed, 2);                                // count
    Put(t, vn + 4, 1);                                         // file name
    Put(t, vn + 8, shared ? 16 * (files - i) : 16);            // its list
    Put(t, vn + 12, i + 1 < files ? stride : 0);               // next file
    const uint32_t aux = shared ? 16 * files : vn + 16;
    Put(t, aux + 8, 1);                                        // version name
    Put(t, aux + 12, 0);                                       // end of list
  }
  return t;
}

// A position-independent image with the version-needs table `needs`; its
// two dynamic entries take the places of DT_RELENT, which may be left out,
// and of the closing DT_NULL.
Image WithVersionNeeds(const std::vector<uint8_t>& needs, uint32_t files) {
  Image img = Build(PieSpec());
  Grow(img, needs, 0);
  const uint32_t relent = img.dynamicAt.at(kDtRelent), last = img.dynamicAt.at(kDtFlags1) + 4;
  SetU32Raw(img.bytes, relent - 4, kDtVerneed);
  SetU32Raw(img.bytes, relent, kTailLink);
  SetU32Raw(img.bytes, last, kDtVerneednum);
  SetU32Raw(img.bytes, last + 4, files);
  return img;
}

TEST(ElfLoad, FollowsVersionNeedsByTheirLinks) {
  constexpr uint32_t kFiles = 4000;
  EXPECT_EQ(ElfRefusalText(WithVersionNeeds(VersionNeeds(kFiles, 1, false), kFiles).bytes), "");
  // Counts far above the lists' lengths: each list still ends at its link
  // of 0, the file as good as before.
  EXPECT_EQ(ElfRefusalText(WithVersionNeeds(VersionNeeds(kFiles, 65535, false), kFiles).bytes),
            "");
  // Every list leads to the same record: more visits than the table has
  // room for, which records that do not overlap never need.
  EXPECT_EQ(ElfRefusalText(WithVersionNeeds(VersionNeeds(kFiles, 65535, true), kFiles).bytes),
            kDamagedText);
  // A bad name in the last file's list is still found.
  std::vector<uint8_t> needs = VersionNeeds(kFiles, 65535, false);
  Put(needs, 32 * (kFiles - 1) + 16 + 8, 0xFFFFF);
  EXPECT_EQ(ElfRefusalText(WithVersionNeeds(needs, kFiles).bytes), kDamagedText);
}

// `count` relocations, R_386_RELATIVE, spread over `pages` one-page
// segments from PagesLink(table) up; the last goes to `last` instead.
std::vector<uint8_t> Relocations(uint32_t count, uint32_t pages, uint32_t last) {
  std::vector<uint8_t> t(8 * count);
  const uint32_t base = PagesLink(t);
  for (uint32_t k = 0; k < count; ++k) {
    Put(t, 8 * k, k + 1 == count ? last : base + 0x1000 * (k % pages) + 4 * (k / pages % 1024));
    Put(t, 8 * k + 4, kRelative);
  }
  return t;
}

TEST(ElfLoad, ChecksManyRelocationsAgainstManySegments) {
  constexpr uint32_t kPages = 16000, kRelocations = 64000;
  const uint32_t pages = PagesLink(std::vector<uint8_t>(8 * kRelocations));
  const uint32_t got = Build(PieSpec()).gotAddress;
  struct Case {
    const char* what;
    uint32_t last;  // where the last relocation goes
    const char* text;
  } cases[] = {
      {"inside the last page", pages + 0x1000 * kPages - 4, ""},
      {"inside the first page", pages, ""},
      {"in the image's own data, below every page", got, ""},
      {"across two pages", pages + 0x1000 * 7 - 2, kDamagedText},
      {"past the last page", pages + 0x1000 * kPages, kDamagedText},
      {"between the tail and the pages", pages - 4, kDamagedText},
  };
  for (const Case& c : cases) {
    Image img = Build(PieSpec());
    const std::vector<uint8_t> table = Relocations(kRelocations, kPages, c.last);
    Grow(img, table, kPages);
    SetDynamic(img, kDtRel, kTailLink);
    SetDynamic(img, kDtRelsz, table.size());
    EXPECT_EQ(ElfRefusalText(img.bytes), c.text) << c.what;
  }
}

// Thousands of imports, each naming a different tail of one long string:
// binding finds every name's end from the string table's NULs, not by a
// scan per entry, and the entries still report their names. With the
// string table moved out of every segment the names are copies of the
// loader's: one per string, so tails share it and a name named twice gets
// one address.
TEST(ElfLoad, BindsManyEntriesNamingOneLongString) {
  constexpr uint32_t kEntries = 20000;
  const std::string longName(200000, 'n');
  ImageRecipe recipe = FullSpec();
  const uint32_t longIndex = 1 + recipe.imports.size();  // its symbol's
  recipe.imports.push_back(longName);
  for (uint32_t i = 0; i < kEntries; ++i) recipe.imports.push_back("f" + std::to_string(i));
  Image img = Build(recipe);
  const uint32_t dynsym = 0x80, longAt = Word32(img.bytes, dynsym + 16 * longIndex);
  for (uint32_t i = 0; i < kEntries; ++i)
    SetU32Raw(img.bytes, dynsym + 16 * (longIndex + 1 + i), longAt + i);
  auto entry = [&](uint32_t i) { return img.pltAddress + 16 * (longIndex + 1 + i); };
  auto check = [&](const Image& image) {
    Expect(LoadInChild(image), "loads");
    for (uint32_t i : {0u, 1u, kEntries - 1}) {
      const uint32_t e = entry(i);
      Expect(Bytes(e)[6] == 0x68 && Bytes(e)[11] == 0xE8, "pushes a name, calls the reporter");
      Expect(std::strcmp(reinterpret_cast<const char*>(uintptr_t{Word(e + 7)}),
                         longName.c_str() + i) == 0, "pushes its tail of the name");
    }
    Expect(Word(entry(1) + 7) == Word(entry(0) + 7) + 1, "tails of one string");
    const uint32_t own = img.pltAddress + 16 * longIndex;  // the long import's entry
    Expect(Word(own + 7) == Word(entry(0) + 7), "one name, one address");
    Expect(Word(img.pltAddress + 16 + 12) == kPuts - (img.pltAddress + 32), "puts still bound");
  };
  EXPECT_EXIT(
      {
        check(img);
        Expect(Word(entry(0) + 7) == img.address.at("name:" + longName), "the image's own name");
        Finish();
      },
      ::testing::ExitedWithCode(0), "^$");
  // .dynstr copied past the end of every segment, its section moved there.
  const uint32_t dynstrHeader = img.shoff + 40 * 2;
  const uint32_t from = Word32(img.bytes, dynstrHeader + 16),
                 size = Word32(img.bytes, dynstrHeader + 20);
  const std::vector<uint8_t> dynstr(img.bytes.begin() + from, img.bytes.begin() + from + size);
  SetU32Raw(img.bytes, dynstrHeader + 16, img.bytes.size());
  img.bytes.insert(img.bytes.end(), dynstr.begin(), dynstr.end());
  EXPECT_EXIT(
      {
        check(img);
        uint32_t base = 0;
        uint32_t end = 0;
        platform::GuestRegion(&base, &end);
        Expect(Word(entry(0) + 7) < base || Word(entry(0) + 7) >= end, "a copy of the loader's");
        Finish();
      },
      ::testing::ExitedWithCode(0), "^$");
}

// Thousands of section headers name the code, each one byte further in
// than the last: the code is decoded once, from its start, so the canary
// reads are redirected and the look-alike inside the push is left, as when
// one header names it.
TEST(ElfLoad, ScansCodeNamedByManyHeadersOnce) {
  constexpr uint32_t kHeaders = 4000;
  Image img = Build(PieSpec());
  std::vector<uint8_t>& b = img.bytes;
  const uint32_t text = img.shoff + 40 * 7, size = Word32(b, text + 20);
  const std::vector<uint8_t> own(b.begin() + img.shoff, b.begin() + text + 40);
  const uint32_t shoff = Align(b.size(), 4);
  b.resize(shoff);
  b.insert(b.end(), own.begin(), own.end());
  for (uint32_t i = 0; i < kHeaders; ++i) {
    const uint32_t k = 1 + i % (size - 1), at = b.size();
    b.insert(b.end(), own.end() - 40, own.end());
    for (uint32_t field : {12u, 16u}) Put(b, at + field, Word32(b, at + field) + k);
    Put(b, at + 20, size - k);
  }
  Put(b, 32, shoff);
  Put(b, 48, 8 + kHeaders, 2);
  EXPECT_EXIT(
      {
        Expect(LoadInChild(img), "loads");
        const uint32_t code = kPieBias + img.textAddress;
        const uint32_t canary = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&process::Thread->canary));
        Expect(Bytes(code)[0] == 0x3E && Word(code + 2) == canary, "first read redirected");
        Expect(Bytes(code + 7)[0] == 0x3E && Word(code + 10) == canary, "second read redirected");
        Expect(std::memcmp(Bytes(code + 14), &kCanaryCode[14], 8) == 0, "the push is untouched");
        Finish();
      },
      ::testing::ExitedWithCode(0), "^$");
}

// ---- The canary reads among instructions -------------------------------------

struct Encoding {
  std::vector<uint8_t> bytes;
  uint32_t length;
};

// Lengths the GNU assembler gives, the tricky corners of the encoding
// among them (SIB without base, 16-bit addressing, group 3 immediates,
// moffs, the three-byte maps, prefixes).
const Encoding kEncodings[] = {
    {{0x55}, 1},
    {{0x89, 0xE5}, 2},
    {{0x83, 0xEC, 0x1C}, 3},
    {{0x65, 0xA1, 0x14, 0, 0, 0}, 6},
    {{0x8B, 0x44, 0x24, 0x04}, 4},
    {{0x8B, 0x04, 0x24}, 3},
    {{0x8B, 0x04, 0x85, 1, 2, 3, 4}, 7},
    {{0x8D, 0xB4, 0x26, 0, 0, 0, 0}, 7},
    {{0xF3, 0x0F, 0x1E, 0xFB}, 4},
    {{0xE8, 1, 2, 3, 4}, 5},
    {{0x0F, 0x85, 1, 2, 3, 4}, 6},
    {{0x66, 0x90}, 2},
    {{0xC7, 0x44, 0x24, 0x04, 1, 2, 3, 4}, 8},
    {{0xF7, 0xC1, 1, 2, 3, 4}, 6},
    {{0xF7, 0xD8}, 2},
    {{0xF6, 0xC1, 0x01}, 3},
    {{0x66, 0xC7, 0x05, 1, 2, 3, 4, 5, 6}, 9},
    {{0x0F, 0xB6, 0x45, 0xF0}, 4},
    {{0xDD, 0x45, 0x08}, 3},
    {{0xC2, 0x04, 0x00}, 3},
    {{0xC8, 0x10, 0x00, 0x00}, 4},
    {{0xA1, 1, 2, 3, 4}, 5},
    {{0x67, 0xA1, 1, 2}, 4},
    {{0x67, 0x8B, 0x46, 0x02}, 4},
    {{0x66, 0x0F, 0x3A, 0x0F, 0xC1, 0x08}, 6},
    {{0x66, 0x0F, 0x38, 0x00, 0xC1}, 5},
    {{0xFF, 0x15, 1, 2, 3, 4}, 6},
    {{0x65, 0x33, 0x0D, 0x14, 0, 0, 0}, 7},
    {{0x0F, 0x0B}, 2},
    {{0x69, 0xC0, 1, 2, 3, 4}, 6},
    {{0x6B, 0xC0, 0x10}, 3},
    {{0xF2, 0x0F, 0x10, 0x44, 0x24, 0x08}, 6},
    // VEX and EVEX (AVX, AVX2, AVX-512), and the LES, LDS and BOUND whose
    // first bytes they share.
    {{0xC5, 0xF8, 0x77}, 3},
    {{0xC5, 0xFD, 0x6F, 0x45, 0xF0}, 5},
    {{0xC4, 0xE2, 0x7D, 0x58, 0xC0}, 5},
    {{0xC4, 0xE3, 0x7D, 0x39, 0xC1, 0x01}, 6},
    {{0xC5, 0xF9, 0x70, 0xC0, 0x1B}, 5},
    {{0xC5, 0xF1, 0xEF, 0x15, 1, 2, 3, 4}, 8},
    {{0x62, 0xF1, 0x7C, 0x48, 0x10, 0x45, 0x01}, 7},
    {{0x62, 0xF3, 0x75, 0x48, 0x25, 0xC2, 0x96}, 7},
    {{0xC4, 0x01}, 2},
    {{0xC5, 0x4C, 0x24, 0x04}, 4},
    {{0x62, 0x45, 0x08}, 3},
    // The EVEX maps past the third, AVX512-FP16's; the 0F map's immediates
    // under EVEX are its own.
    {{0x62, 0xF5, 0x7C, 0x48, 0x58, 0x40, 0x02}, 7},
    {{0x62, 0xF6, 0x75, 0x58, 0xA8, 0x40, 0x03}, 7},
    {{0x62, 0xF1, 0x7D, 0x48, 0x78, 0xC1}, 6},
    {{0x62, 0xF4, 0x7C, 0x48, 0x10, 0xC0}, 0},  // map 4 is 64-bit only
    // XOP (AMD's 8F prefix, maps 8 to 10), and the POP it shares 8F with.
    {{0x8F, 0xE8, 0x78, 0xC2, 0xF6, 0x10}, 6},
    {{0x8F, 0xE9, 0x78, 0x80, 0x52, 0x50}, 6},
    {{0x8F, 0xEA, 0x78, 0x10, 0x94, 0x48, 0x78, 0x56, 0x34, 0x12, 0x04, 0x08, 0, 0}, 14},
    {{0x8F, 0x05, 1, 2, 3, 4}, 6},
    {{0x8F, 0xC0}, 2},
    // 0F 78: VMREAD, or with 66 and F2 SSE4a's EXTRQ and INSERTQ with two
    // immediates.
    {{0x0F, 0x78, 0xC1}, 3},
    {{0x66, 0x0F, 0x78, 0xC0, 0x08, 0x04}, 6},
    {{0xF2, 0x0F, 0x78, 0xC1, 0x0C, 0x14}, 6},
    {{0x66, 0x0F, 0x79, 0xC1}, 4},
    // mov to and from control and debug registers: no displacement, no SIB,
    // whatever the mod bits.
    {{0x0F, 0x20, 0x05}, 3},
    {{0x0F, 0x21, 0x85}, 3},
    {{0x0F, 0x23, 0x04}, 3},
    // 3DNow!, its opcode after a SIB and a displacement; VIA PadLock.
    {{0x0F, 0x0F, 0x84, 0x98, 0x78, 0x56, 0x34, 0x12, 0x9E}, 9},
    {{0xF3, 0x0F, 0xA7, 0xC8}, 4},
    {{0x0F, 0xA7, 0xC0}, 3},
    // Operand size 16 on relative jumps and far pointers.
    {{0x66, 0xE8, 1, 2}, 4},
    {{0x66, 0x0F, 0x84, 1, 2}, 5},
    {{0x9A, 1, 2, 3, 4, 5, 6}, 7},
    {{0x66, 0x9A, 1, 2, 3, 4}, 6},
    {{0xF3, 0x0F, 0xB8, 0xC1}, 4},
    {{0x0F, 0xB8, 0xC1}, 0},           // popcnt wants its F3
    {{0x0F, 0x04}, 0},                 // not an instruction
    {{0x8B, 0x44, 0x24}, 0},           // cut short
    {{0xE8, 1, 2}, 0},
};

TEST(CodeScan, MeasuresInstructions) {
  for (const Encoding& e : kEncodings) {
    std::string hex;
    for (uint8_t b : e.bytes) hex += std::to_string(b) + " ";
    EXPECT_EQ(codescan::InstructionLength(e.bytes.data(), e.bytes.size()), e.length) << hex;
  }
}

// The canary's reads, found among whole instructions only.
TEST(CodeScan, RedirectsCanaryReadsAmongInstructions) {
  const uint32_t tp = 0xAABBCCDD - 0x14;
  struct Case {
    std::vector<uint8_t> in, out;
  } cases[] = {
      // Each read form, same length, the rest of the stream intact.
      {{0x65, 0xA1, 0x14, 0, 0, 0, 0x89, 0x45, 0xF4},
       {0x3E, 0xA1, 0xDD, 0xCC, 0xBB, 0xAA, 0x89, 0x45, 0xF4}},
      {{0x65, 0x8B, 0x0D, 0x14, 0, 0, 0}, {0x3E, 0x8B, 0x0D, 0xDD, 0xCC, 0xBB, 0xAA}},
      {{0x65, 0x8B, 0x3D, 0x14, 0, 0, 0}, {0x3E, 0x8B, 0x3D, 0xDD, 0xCC, 0xBB, 0xAA}},
      {{0x65, 0x33, 0x15, 0x14, 0, 0, 0}, {0x3E, 0x33, 0x15, 0xDD, 0xCC, 0xBB, 0xAA}},
      {{0x65, 0x2B, 0x05, 0x14, 0, 0, 0}, {0x3E, 0x2B, 0x05, 0xDD, 0xCC, 0xBB, 0xAA}},
      {{0x65, 0x3B, 0x1D, 0x14, 0, 0, 0}, {0x3E, 0x3B, 0x1D, 0xDD, 0xCC, 0xBB, 0xAA}},
      // Inside other instructions' operands: stepped over.
      {{0xB8, 0x65, 0xA1, 0x14, 0x00, 0x00, 0x00}, {0xB8, 0x65, 0xA1, 0x14, 0x00, 0x00, 0x00}},
      {{0xC7, 0x45, 0xF0, 0x65, 0x8B, 0x0D, 0x14, 0x00, 0x00, 0x00},
       {0xC7, 0x45, 0xF0, 0x65, 0x8B, 0x0D, 0x14, 0x00, 0x00, 0x00}},
      // After vector instructions, whose prefixes are LES and LDS bytes too.
      {{0xC5, 0xFD, 0x6F, 0x45, 0xF0, 0x65, 0xA1, 0x14, 0, 0, 0},
       {0xC5, 0xFD, 0x6F, 0x45, 0xF0, 0x3E, 0xA1, 0xDD, 0xCC, 0xBB, 0xAA}},
      {{0xC4, 0xE3, 0x7D, 0x39, 0xC1, 0x01, 0x65, 0x8B, 0x0D, 0x14, 0, 0, 0},
       {0xC4, 0xE3, 0x7D, 0x39, 0xC1, 0x01, 0x3E, 0x8B, 0x0D, 0xDD, 0xCC, 0xBB, 0xAA}},
      // In the displacement and immediate of an XOP instruction (bextr), whose
      // 8F is no POP here.
      {{0x8F, 0xEA, 0x78, 0x10, 0x84, 0x00, 0x65, 0xA1, 0x14, 0, 0, 0, 0xAA, 0xBB},
       {0x8F, 0xEA, 0x78, 0x10, 0x84, 0x00, 0x65, 0xA1, 0x14, 0, 0, 0, 0xAA, 0xBB}},
      // Cut short at the end of the code: nothing written past it.
      {{0x90, 0x65, 0xA1, 0x14, 0x00}, {0x90, 0x65, 0xA1, 0x14, 0x00}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> code = c.in;
    codescan::RedirectThreadReads(code.data(), code.size(), tp);
    EXPECT_EQ(code, c.out);
  }
}

// Byte sequences as gcc -m32 and ld leave them (local-exec, initial-exec
// through the GOT and relaxed by the linker, the canary), and the corners:
// prefixes around the 65, a vector instruction, 16-bit addressing, a 65
// inside another instruction, an undecodable byte.
TEST(CodeScan, RedirectsThreadAccesses) {
  const uint32_t tp = 0x40000000;
  struct Case {
    std::vector<uint8_t> in, out;
    uint32_t rewritten, unredirected;
  } cases[] = {
      // No base register: the thread pointer joins the displacement. The
      // canary, word 0, a store, a read-modify-write, SIB without base or
      // index, an index alone.
      {{0x65, 0xA1, 0x14, 0, 0, 0, 0x89, 0x45, 0xF4},
       {0x3E, 0xA1, 0x14, 0, 0, 0x40, 0x89, 0x45, 0xF4}, 1, 0},
      {{0x65, 0x8B, 0x0D, 0, 0, 0, 0, 0xC3}, {0x3E, 0x8B, 0x0D, 0, 0, 0, 0x40, 0xC3}, 1, 0},
      {{0x65, 0xC7, 0x05, 0xF8, 0xFF, 0xFF, 0xFF, 5, 0, 0, 0},
       {0x3E, 0xC7, 0x05, 0xF8, 0xFF, 0xFF, 0x3F, 5, 0, 0, 0}, 1, 0},
      {{0x65, 0x83, 0x05, 0xFC, 0xFF, 0xFF, 0xFF, 1}, {0x3E, 0x83, 0x05, 0xFC, 0xFF, 0xFF, 0x3F, 1}, 1, 0},
      {{0x65, 0x8B, 0x04, 0x25, 0xF0, 0xFF, 0xFF, 0xFF}, {0x3E, 0x8B, 0x04, 0x25, 0xF0, 0xFF, 0xFF, 0x3F}, 1, 0},
      {{0x65, 0x8B, 0x04, 0x8D, 0x64, 0xFA, 0xFF, 0xFF}, {0x3E, 0x8B, 0x04, 0x8D, 0x64, 0xFA, 0xFF, 0x3F}, 1, 0},
      // A base register holds an offset (a GOT slot's): the prefix alone,
      // and the access is the trap's; but a local-exec offset below zero
      // in the displacement makes the register an index.
      {{0x65, 0x8B, 0x00, 0x65, 0x8B, 0x50, 0x04, 0x65, 0x0F, 0xBE, 0x04, 0x02,
        0x65, 0x03, 0x82, 0x30, 0x01, 0, 0, 0x65, 0x0F, 0xBE, 0x80, 0x70, 0xFF, 0xFF, 0xFF},
       {0x3E, 0x8B, 0x00, 0x3E, 0x8B, 0x50, 0x04, 0x3E, 0x0F, 0xBE, 0x04, 0x02,
        0x3E, 0x03, 0x82, 0x30, 0x01, 0, 0, 0x3E, 0x0F, 0xBE, 0x80, 0x70, 0xFF, 0xFF, 0x3F}, 5, 0},
      // Other prefixes stay, the last segment override is the one in
      // effect; string moves and maskmovq read or write through a register.
      {{0x66, 0x65, 0xA1, 0xF8, 0xFF, 0xFF, 0xFF, 0x2E, 0x65, 0x8B, 0x00, 0x65, 0x2E, 0x8B, 0x00,
        0xF3, 0x65, 0xA5, 0x65, 0x0F, 0xF7, 0xC1},
       {0x66, 0x3E, 0xA1, 0xF8, 0xFF, 0xFF, 0x3F, 0x2E, 0x3E, 0x8B, 0x00, 0x65, 0x2E, 0x8B, 0x00,
        0xF3, 0x3E, 0xA5, 0x3E, 0x0F, 0xF7, 0xC1}, 4, 0},
      {{0x65, 0xC5, 0xF9, 0x6E, 0x05, 0xF0, 0xFF, 0xFF, 0xFF},
       {0x3E, 0xC5, 0xF9, 0x6E, 0x05, 0xF0, 0xFF, 0xFF, 0x3F}, 1, 0},
      // Sums with the thread pointer read it, whatever is added: every
      // offset is the Linux C library's (a GOT slot, a local, an immediate).
      {{0x65, 0xA1, 0, 0, 0, 0, 0x03, 0x83, 0xF0, 0xFF, 0xFF, 0xFF,
        0x65, 0x8B, 0x0D, 0, 0, 0, 0, 0x8B, 0x93, 0xEC, 0xFF, 0xFF, 0xFF, 0x01, 0xCA,
        0x8B, 0x80, 0xE0, 0xFF, 0xFF, 0xFF, 0x65, 0x03, 0x05, 0, 0, 0, 0},
       {0x3E, 0xA1, 0, 0, 0, 0x40, 0x03, 0x83, 0xF0, 0xFF, 0xFF, 0xFF,
        0x3E, 0x8B, 0x0D, 0, 0, 0, 0x40, 0x8B, 0x93, 0xEC, 0xFF, 0xFF, 0xFF, 0x01, 0xCA,
        0x8B, 0x80, 0xE0, 0xFF, 0xFF, 0xFF, 0x3E, 0x03, 0x05, 0, 0, 0, 0x40}, 3, 0},
      {{0xC7, 0xC0, 0x64, 0xFF, 0xFF, 0xFF, 0x65, 0x03, 0x05, 0, 0, 0, 0,
        0x8D, 0x05, 0xD4, 0xFF, 0xFF, 0xFF, 0x65, 0x03, 0x05, 0, 0, 0, 0},
       {0xC7, 0xC0, 0x64, 0xFF, 0xFF, 0xFF, 0x3E, 0x03, 0x05, 0, 0, 0, 0x40,
        0x8D, 0x05, 0xD4, 0xFF, 0xFF, 0xFF, 0x3E, 0x03, 0x05, 0, 0, 0, 0x40}, 2, 0},
      // 16-bit addressing has no room for the thread pointer: counted.
      {{0x67, 0x65, 0x8B, 0x07, 0x65, 0x67, 0xA1, 0x14, 0},
       {0x67, 0x65, 0x8B, 0x07, 0x65, 0x67, 0xA1, 0x14, 0}, 0, 2},
      // Where the prefix does nothing: lea, a register operand, no operand,
      // stos (always %es), a move of %gs itself.
      {{0x65, 0x8D, 0x05, 0xF8, 0xFF, 0xFF, 0xFF, 0x65, 0x8B, 0xC0, 0x65, 0x90, 0x65, 0xAB, 0x8C, 0xE8},
       {0x65, 0x8D, 0x05, 0xF8, 0xFF, 0xFF, 0xFF, 0x65, 0x8B, 0xC0, 0x65, 0x90, 0x65, 0xAB, 0x8C, 0xE8}, 0, 0},
      // Inside other instructions' immediates: stepped over. Past an
      // undecodable byte (0F 04): found. Cut short at the end: left.
      {{0xB8, 0x65, 0xA1, 0x14, 0x00, 0xC7, 0x45, 0xF0, 0x65, 0x8B, 0x0D, 0x14},
       {0xB8, 0x65, 0xA1, 0x14, 0x00, 0xC7, 0x45, 0xF0, 0x65, 0x8B, 0x0D, 0x14}, 0, 0},
      {{0x0F, 0x04, 0x90, 0x65, 0xA1, 0x14, 0, 0, 0}, {0x0F, 0x04, 0x90, 0x3E, 0xA1, 0x14, 0, 0, 0x40}, 1, 0},
      {{0x90, 0x65, 0xA1, 0x14, 0x00}, {0x90, 0x65, 0xA1, 0x14, 0x00}, 0, 0},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> code = c.in;
    uint32_t unredirected = 99;
    const uint32_t rewritten =
        codescan::RedirectThreadReads(code.data(), code.size(), tp, nullptr, &unredirected);
    EXPECT_EQ(code, c.out) << ::testing::PrintToString(c.in);
    EXPECT_EQ(rewritten, c.rewritten) << ::testing::PrintToString(c.in);
    EXPECT_EQ(unredirected, c.unredirected) << ::testing::PrintToString(c.in);
  }
  // For the trap: an int3 in front of each access through a register (the
  // other prefixes behind it), a fault for a string instruction's; and the
  // register the thread pointer is added to.
  std::vector<uint8_t> based = {0x65, 0x8B, 0x00, 0x66, 0x65, 0x8B, 0x50, 0x04, 0x65, 0x0F, 0xBE,
                                0x04, 0x02, 0x65, 0x0F, 0xBE, 0x80, 0x70, 0xFF, 0xFF, 0xFF,
                                0xF3, 0x65, 0xA5};
  std::vector<codescan::ThreadSite> sites;
  codescan::RedirectThreadReads(based.data(), based.size(), tp, &sites);
  EXPECT_EQ(based, (std::vector<uint8_t>{0xCC, 0x8B, 0x00, 0xCC, 0x66, 0x8B, 0x50, 0x04, 0xCC,
                                         0x0F, 0xBE, 0x04, 0x02, 0x3E, 0x0F, 0xBE, 0x80, 0x70,
                                         0xFF, 0xFF, 0x3F, 0xF3, 0x3E, 0xA5}));
  std::vector<std::tuple<uint32_t, int, bool>> got;
  for (const codescan::ThreadSite& site : sites)
    got.emplace_back(site.offset, site.base, site.breakpoint);
  EXPECT_EQ(got, (std::vector<std::tuple<uint32_t, int, bool>>{
                     {0, 0, true}, {3, 0, true}, {8, 2, true}, {21, 6, false}}));
}

// ---- Refusals ---------------------------------------------------------------

void SetU32(Image& img, uint32_t at, uint32_t v) { Put(img.bytes, at, v); }

struct Damage {
  const char* what;
  void (*apply)(Image&);
};



const Damage kDamages[] = {
    {"program headers past the end", [](Image& i) { SetU32(i, 28, 0xFFFFFFF0); }},
    {"section headers past the end", [](Image& i) { SetU32(i, 32, 0xFFFFFFF0); }},
    {"p_filesz above p_memsz", [](Image& i) { SetU32(i, i.phoff + 32 + 16, 0x10000); }},
    {"p_offset + p_filesz wraps", [](Image& i) { SetU32(i, i.phoff + 32 + 4, 0xFFFFFFF0); }},
    {"segment below the region", [](Image& i) { SetU32(i, i.phoff + 32 + 8, 0x1000); }},
    {"memory image past 4 GiB", [](Image& i) {
       SetU32(i, i.phoff + 32 + 8, 0xFFFFF000);
       SetU32(i, i.phoff + 32 + 20, 0x2000); }},
    {"segments overlap", [](Image& i) { SetU32(i, i.phoff + 32 + 8, 0x08048010); }},
    {"entry outside every segment", [](Image& i) { SetU32(i, 24, 0x09000000); }},
};

TEST(ElfLoad, RefusesDamagedStructure) {
  EXPECT_EQ(ElfRefusalText(Build(FullSpec()).bytes), "");
  for (const Damage& d : kDamages) {
    Image img = Build(FullSpec());
    d.apply(img);
    EXPECT_EQ(ElfRefusalText(img.bytes), "\" is damaged.") << d.what;
  }
}

TEST(ElfLoad, RefusalWritesNothing) {
  Image img = Build(FullSpec());
  SetU32(img, 28, 0xFFFFFFF0);
  EXPECT_EXIT(
      {
        Expect(!LoadInChild(img), "refused");
        uint32_t base = 0;
        uint32_t end = 0;
        platform::GuestRegion(&base, &end);
        Expect(base == end, "no region reserved for a refused file");
        Finish();
      },
      ::testing::ExitedWithCode(0), "^$");
}

// ---- Seeded mutations -------------------------------------------------------
//
// Thousands of random damages of a good image: the checks must never read
// outside the file (it ends where a no-access page begins), and whatever
// they let through must load without a crash.

std::vector<std::vector<uint8_t>> Mutants(const std::vector<uint8_t>& good, int count) {
  std::mt19937 random(20070922);
  std::vector<std::vector<uint8_t>> out;
  for (int n = 0; n < count; ++n) {
    std::vector<uint8_t> m = good;
    const int edits = 1 + random() % 4;
    for (int k = 0; k < edits; ++k) {
      const uint32_t at = random() % m.size();
      switch (random() % 3) {
        case 0: m[at] = static_cast<uint8_t>(random()); break;
        case 1: m[at] ^= static_cast<uint8_t>(1u << (random() % 8)); break;
        default:  // a whole word, where offsets and sizes live
          Put(m, at & ~3u, random() % 2 ? random() : random() % 0x2000);
          m.resize(good.size());
      }
    }
    out.push_back(std::move(m));
  }
  return out;
}

void SurviveMutations(const Image& img) {
  const std::vector<std::vector<uint8_t>> mutants = Mutants(img.bytes, 4000);
  const size_t size = img.bytes.size();
  const size_t span = Align(size, platform::kPageSize);
  uint8_t* pages = static_cast<uint8_t*>(platform::AllocatePages(span + platform::kPageSize));
  ASSERT_NE(pages, nullptr);
  ASSERT_TRUE(platform::Protect(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pages) + span),
                                platform::kPageSize, platform::kNoAccess));
  uint8_t* file = pages + span - size;
  std::vector<size_t> accepted;
  for (size_t i = 0; i < mutants.size(); ++i) {
    std::memcpy(file, mutants[i].data(), size);
    if (ElfRefusalText({file, size}).empty()) accepted.push_back(i);
  }
  EXPECT_GT(accepted.size(), 100u);
  EXPECT_LT(accepted.size(), mutants.size());
  EXPECT_EXIT(
      {
        // One region for all of them, large enough for most.
        LoaderLinesToStandardOutput();
        platform::ReserveRegion(ImageBase, 0x4000000);
        for (size_t i : accepted) {
          std::memcpy(file, mutants[i].data(), size);
          LoadElfImageFromBytes("mutant", {file, size});
        }
        Finish();
      },
      ::testing::ExitedWithCode(0), "^$");
  platform::FreePages(pages, span + platform::kPageSize);
}

TEST(ElfLoad, SurvivesSeededMutations) { SurviveMutations(Build(FullSpec())); }

// The relocation tables, the dynamic segment and the hash table are damaged
// too, with and without section headers to find them by.
TEST(ElfLoad, SurvivesSeededMutationsOfPositionIndependentImages) {
  SurviveMutations(Build(PieSpec()));
  ImageRecipe stripped = PieSpec();
  stripped.sections = false;
  SurviveMutations(Build(stripped));
}

}  // namespace
