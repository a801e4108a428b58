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
#include <vector>

#include "libcbind/tblibc.h"
#include "libcbind/util.h"
#include "loader/elfload.h"
#include "loader/elfview.h"
#include "platform/platform.h"

namespace {

enum class Where { kRodata, kData, kBss, kUndefined };

struct ObjectRecipe {
  std::string name;
  Where where;
};

struct ImageRecipe {
  std::vector<std::string> imports;  // one PLT entry each, in order
  std::vector<ObjectRecipe> objects;
  std::vector<std::string> needed;
  uint32_t bssSize = 64;
  bool sections = true;  // false: no section headers (a static program)
};

struct Image {
  std::vector<uint8_t> bytes;
  std::map<std::string, uint32_t> address;  // symbol and name addresses
  uint32_t pltAddress = 0, textFileSize = 0;
  uint32_t dataOffset = 0, dataAddress = 0, dataFileSize = 0, bssAddress = 0,
           bssSize = 0, phoff = 52;
};

void Put(std::vector<uint8_t>& b, uint32_t at, uint32_t value, int width = 4) {
  if (b.size() < at + width) b.resize(at + width);
  for (int k = 0; k < width; ++k) b[at + k] = static_cast<uint8_t>(value >> (8 * k));
}

uint32_t Align(uint32_t v, uint32_t a) { return (v + a - 1) & ~(a - 1); }

Image Build(const ImageRecipe& recipe) {
  Image img;
  std::vector<uint8_t>& b = img.bytes;
  const uint32_t base = 0x08048000;
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
  const uint32_t dynsymOff = 0x80, dynstrOff = dynsymOff + 16 * symCount;
  const uint32_t relOff = Align(dynstrOff + dynstr.size(), 4);
  const uint32_t pltOff = Align(relOff + 8 * recipe.imports.size(), 16);
  const uint32_t pltSize = 16 * (1 + recipe.imports.size());
  const uint32_t textOff = pltOff + pltSize;
  const uint32_t rodataOff = textOff + 16;
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
  const uint32_t dynamicSize = 8 * (recipe.needed.size() + 1);
  const uint32_t dataWordsOff = dynamicOff + dynamicSize;
  img.dataFileSize = dynamicSize + 4 * dataCount + 8;  // two more words of .data
  img.bssAddress = img.dataAddress + img.dataFileSize;
  img.bssSize = std::max<uint32_t>(recipe.bssSize, 4 * bssCount);
  img.pltAddress = base + pltOff;

  // Symbols and their words.
  uint32_t nextRodata = 0, nextData = 0, nextBss = 0;
  for (size_t i = 0; i < recipe.imports.size(); ++i)
    Put(b, dynsymOff + 16 * (1 + i), nameAt[recipe.imports[i]]);
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
    if (o.where != Where::kUndefined) img.address[o.name] = value;
  }
  for (auto& [name, offset] : nameAt) img.address["name:" + name] = base + dynstrOff + offset;
  Put(b, dataWordsOff + 4 * dataCount, 0x11111111);
  Put(b, dataWordsOff + 4 * dataCount + 4, 0x22222222);
  std::memcpy(&b[dynstrOff], dynstr.data(), dynstr.size());

  // .rel.plt and .plt in the conventional lazy form.
  const uint32_t gotPlt = img.dataAddress + dynamicSize;
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
  for (uint32_t k = 0; k < 16; ++k) Put(b, textOff + k, 0xF4, 1);  // hlt
  for (size_t i = 0; i < recipe.needed.size(); ++i) {
    Put(b, dynamicOff + 8 * i, 1);
    Put(b, dynamicOff + 8 * i + 4, nameAt[recipe.needed[i]]);
  }
  b.resize(img.dataOffset + img.dataFileSize);

  // Section names and headers.
  const uint32_t shstrOff = b.size();
  const char names[] = "\0.dynsym\0.dynstr\0.rel.plt\0.dynamic\0.shstrtab";
  b.insert(b.end(), names, names + sizeof names);
  const uint32_t shoff = Align(b.size(), 4);
  struct Sh { uint32_t name, offset, size; } sh[] = {
      {0, 0, 0},
      {1, dynsymOff, 16 * symCount},
      {9, dynstrOff, static_cast<uint32_t>(dynstr.size())},
      {17, relOff, static_cast<uint32_t>(8 * recipe.imports.size())},
      {21, pltOff, pltSize},  // ".plt" is the tail of ".rel.plt"
      {26, dynamicOff, dynamicSize},
      {35, shstrOff, static_cast<uint32_t>(sizeof names)},
  };
  for (size_t i = 0; i < std::size(sh); ++i) {
    Put(b, shoff + 40 * i, sh[i].name);
    Put(b, shoff + 40 * i + 16, sh[i].offset);
    Put(b, shoff + 40 * i + 20, sh[i].size);
  }
  b.resize(shoff + 40 * std::size(sh));

  // Header and the two loadable segments.
  const uint8_t ident[] = {0x7F, 'E', 'L', 'F', 1, 1, 1};
  std::memcpy(&b[0], ident, sizeof ident);
  Put(b, 16, 2, 2);
  Put(b, 18, 3, 2);
  Put(b, 20, 1);
  Put(b, 24, base + textOff);
  Put(b, 28, img.phoff);
  Put(b, 32, recipe.sections ? shoff : 0);
  Put(b, 44, 2, 2);
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
bool LoadInChild(const Image& img) {
  util::Init();
  util::RegisterImport("puts", kPuts);
  util::RegisterImport("exit", kExit);
  tblibc::HostStdin = 0x51515151;
  tblibc::HostStdout = 0x52525252;
  tblibc::HostStderr = 0x53535353;
  return LoadElfImageFromBytes("guest", img.bytes);
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
  Expect(Word(img.address.at("stdout")) == 0x52525252, "stdout in .bss");
  Expect(Word(img.address.at("stderr")) == 0x53535353, "stderr in .bss");
  Expect(Word(img.address.at("stdin")) == 0x51515151, "stdin in moved .data");
  Expect(Word(img.address.at("_IO_stdin_used")) ==
             reinterpret_cast<uintptr_t>(&tblibc::StdinUsedWord),
         "_IO_stdin_used holds the address of StdinUsedWord");
  Expect(tblibc::GuestOptindAddress == img.address.at("optind"), "optind recorded");
  Expect(tblibc::GuestOptargAddress == img.address.at("optarg"), "optarg recorded");
  Expect(tblibc::GuestOptoptAddress == img.address.at("optopt"), "optopt recorded");
  Expect(tblibc::GuestOpterrAddress == img.address.at("opterr"), "opterr recorded");
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
        Expect(tblibc::GuestOptindAddress == 0, "no optind");
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

// ---- Refusals ---------------------------------------------------------------

struct Damage {
  const char* what;
  void (*apply)(Image&);
};

void SetU32(Image& img, uint32_t at, uint32_t v) { Put(img.bytes, at, v); }

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

TEST(ElfLoad, SurvivesSeededMutations) {
  const Image img = Build(FullSpec());
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

}  // namespace
