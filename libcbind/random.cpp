// Random numbers: the Linux C library's generators, so that a seed gives a
// guest the sequence it gives natively.
//
// random(): an additive feedback generator over a table of 7, 15, 31 or 63
// words (state buffers of 32, 64, 128 and 256 bytes; 8 to 31 bytes give the
// plain linear congruential "type 0"), the table filled from the seed by
// the Park-Miller generator and stirred ten rounds per word. The word
// before the table tells setstate() the type and the rear position.
// rand() is random(). The *48 family is the 48-bit linear congruential
// generator with its multiplier 0x5DEECE66D and addend 11.
#include <cstring>

#include "abi/errno.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"

namespace {

// struct random_data (i386): the guest lays it out for the _r forms.
struct RandomData {
  int32_t* front;
  int32_t* rear;
  int32_t* state;
  int32_t type;
  int32_t degree;
  int32_t separation;
  int32_t* end;
};
static_assert(sizeof(void*) != 4 || sizeof(RandomData) == 28);

// struct drand48_data (i386).
struct Drand48Data {
  uint16_t x[3];
  uint16_t oldX[3];
  uint16_t c;
  uint16_t init;
  uint16_t a[4];  // the 64-bit multiplier as four 16-bit parts, low first
};
static_assert(sizeof(Drand48Data) == 24);

constexpr int32_t kTypes = 5;
struct TypeRow {
  uint32_t minBytes;
  int32_t degree;
  int32_t separation;
};
constexpr TypeRow kTypeRows[kTypes] = {
    {8, 0, 0}, {32, 7, 3}, {64, 15, 1}, {128, 31, 3}, {256, 63, 1}};

int32_t Fail(int32_t linuxErrno) {
  tblibc::SetErrno(linuxErrno);
  return -1;
}

int32_t Next(RandomData* data) {
  int32_t* state = data->state;
  if (data->type == 0) {
    const uint32_t value =
        (static_cast<uint32_t>(state[0]) * 1103515245u + 12345u) & 0x7FFFFFFF;
    state[0] = static_cast<int32_t>(value);
    return static_cast<int32_t>(value);
  }
  int32_t* front = data->front;
  int32_t* rear = data->rear;
  const uint32_t sum =
      static_cast<uint32_t>(*front) + static_cast<uint32_t>(*rear);
  *front = static_cast<int32_t>(sum);
  ++front;
  ++rear;
  if (front >= data->end) {
    front = state;
  } else if (rear >= data->end) {
    rear = state;
  }
  data->front = front;
  data->rear = rear;
  return static_cast<int32_t>(sum >> 1);  // the low bit is the least random
}

int32_t Seed(RandomData* data, uint32_t seed) {
  if (data == nullptr || data->type < 0 || data->type >= kTypes)
    return Fail(linux::kEINVAL);
  int32_t* state = data->state;
  if (seed == 0) seed = 1;
  state[0] = static_cast<int32_t>(seed);
  if (data->type == 0) return 0;
  // Park-Miller, 16807 * word mod (2^31 - 1), by Schrage's method so that
  // nothing overflows 32 bits.
  int32_t word = static_cast<int32_t>(seed);
  for (int32_t i = 1; i < data->degree; ++i) {
    const int32_t hi = word / 127773;
    const int32_t lo = word % 127773;
    word = 16807 * lo - 2836 * hi;
    if (word < 0) word += 2147483647;
    state[i] = word;
  }
  data->front = &state[data->separation];
  data->rear = &state[0];
  for (int32_t i = 0; i < data->degree * 10; ++i) Next(data);
  return 0;
}

// The word before the table: type, plus five times the rear position.
void SaveInfo(RandomData* data) {
  int32_t* state = data->state;
  if (state == nullptr) return;
  state[-1] = data->type == 0
                  ? 0
                  : static_cast<int32_t>(kTypes * (data->rear - state)) +
                        data->type;
}

int32_t InitState(uint32_t seed, char* buffer, uint32_t bytes,
                  RandomData* data) {
  if (data == nullptr) return Fail(linux::kEINVAL);
  int32_t type = -1;
  for (int32_t t = kTypes - 1; t >= 0; --t) {
    if (bytes >= kTypeRows[t].minBytes) {
      type = t;
      break;
    }
  }
  if (type < 0 || buffer == nullptr) return Fail(linux::kEINVAL);
  SaveInfo(data);
  data->type = type;
  data->degree = kTypeRows[type].degree;
  data->separation = kTypeRows[type].separation;
  int32_t* state = reinterpret_cast<int32_t*>(buffer) + 1;
  data->end = &state[data->degree];
  data->state = state;
  Seed(data, seed);
  SaveInfo(data);
  return 0;
}

int32_t SetState(char* buffer, RandomData* data) {
  if (buffer == nullptr || data == nullptr) return Fail(linux::kEINVAL);
  int32_t* state = reinterpret_cast<int32_t*>(buffer) + 1;
  const int32_t info = state[-1];
  const int32_t type = info % kTypes;
  if (type < 0 || type >= kTypes) return Fail(linux::kEINVAL);
  SaveInfo(data);
  data->type = type;
  data->degree = kTypeRows[type].degree;
  data->separation = kTypeRows[type].separation;
  if (type != 0) {
    const int32_t rear = info / kTypes;
    data->rear = &state[rear];
    data->front = &state[(rear + data->separation) % data->degree];
  }
  data->state = state;
  data->end = &state[data->degree];
  return 0;
}

// The process's generator: the 128-byte table, seeded with 1 at start.
int32_t gTable[32];
RandomData gRandom;

Drand48Data gDrand48;

void StartRandom() {
  gRandom = RandomData{};
  gDrand48 = Drand48Data{};
  InitState(1, reinterpret_cast<char*>(gTable), sizeof gTable, &gRandom);
}

// ---- The 48-bit generator ---------------------------------------------------

constexpr uint64_t kMultiplier = 0x5DEECE66Dull;
constexpr uint16_t kAddend = 0xB;

uint64_t X48(const uint16_t x[3]) {
  return uint64_t{x[2]} << 32 | uint32_t{x[1]} << 16 | x[0];
}

uint64_t Multiplier(const Drand48Data* data) {
  return uint64_t{data->a[3]} << 48 | uint64_t{data->a[2]} << 32 |
         uint64_t{data->a[1]} << 16 | data->a[0];
}

void SetMultiplier(Drand48Data* data, uint64_t a) {
  for (int i = 0; i < 4; ++i) data->a[i] = static_cast<uint16_t>(a >> (16 * i));
}

void Defaults(Drand48Data* data) {
  SetMultiplier(data, kMultiplier);
  data->c = kAddend;
  data->init = 1;
}

// One step on `x` with the multiplier and addend of `data`.
void Step(uint16_t x[3], Drand48Data* data) {
  if (data->init == 0) Defaults(data);
  const uint64_t next = X48(x) * Multiplier(data) + data->c;
  x[0] = static_cast<uint16_t>(next);
  x[1] = static_cast<uint16_t>(next >> 16);
  x[2] = static_cast<uint16_t>(next >> 32);
}

// The 48 bits as a fraction: exact in a double.
double Fraction(const uint16_t x[3]) {
  return static_cast<double>(X48(x)) / 281474976710656.0;
}

int32_t High31(const uint16_t x[3]) {
  return static_cast<int32_t>(uint32_t{x[2]} << 15 | x[1] >> 1);
}

int32_t High32(const uint16_t x[3]) {
  return static_cast<int32_t>(uint32_t{x[2]} << 16 | x[1]);
}

}  // namespace

// ---- Entries ----------------------------------------------------------------

extern "C" {

int32_t tblibc_random() { return Next(&gRandom); }
void tblibc_srandom(uint32_t seed) { Seed(&gRandom, seed); }

// The previous state buffer, or null when the new one is refused.
char* tblibc_initstate(uint32_t seed, char* buffer, uint32_t bytes) {
  char* old = reinterpret_cast<char*>(gRandom.state - 1);
  return InitState(seed, buffer, bytes, &gRandom) < 0 ? nullptr : old;
}

char* tblibc_setstate(char* buffer) {
  char* old = reinterpret_cast<char*>(gRandom.state - 1);
  return SetState(buffer, &gRandom) < 0 ? nullptr : old;
}

int tblibc_random_r(RandomData* data, int32_t* result) {
  if (data == nullptr || result == nullptr) return Fail(linux::kEINVAL);
  *result = Next(data);
  return 0;
}

int tblibc_srandom_r(uint32_t seed, RandomData* data) { return Seed(data, seed); }

int tblibc_initstate_r(uint32_t seed, char* buffer, uint32_t bytes,
                       RandomData* data) {
  return InitState(seed, buffer, bytes, data);
}

int tblibc_setstate_r(char* buffer, RandomData* data) {
  return SetState(buffer, data);
}

// Three linear congruential steps, 11 + 10 + 10 bits of their high halves.
int32_t tblibc_rand_r(uint32_t* seed) {
  uint32_t next = *seed;
  uint32_t result = 0;
  constexpr uint32_t kBits[3] = {2048, 1024, 1024};
  for (uint32_t i = 0; i < 3; ++i) {
    next = next * 1103515245u + 12345u;
    result = (i == 0 ? 0 : result << 10) ^ ((next / 65536) % kBits[i]);
  }
  *seed = next;
  return static_cast<int32_t>(result);
}

double tblibc_drand48() {
  Step(gDrand48.x, &gDrand48);
  return Fraction(gDrand48.x);
}

double tblibc_erand48(uint16_t* x) {
  Step(x, &gDrand48);
  return Fraction(x);
}

int32_t tblibc_lrand48() {
  Step(gDrand48.x, &gDrand48);
  return High31(gDrand48.x);
}

int32_t tblibc_nrand48(uint16_t* x) {
  Step(x, &gDrand48);
  return High31(x);
}

int32_t tblibc_mrand48() {
  Step(gDrand48.x, &gDrand48);
  return High32(gDrand48.x);
}

int32_t tblibc_jrand48(uint16_t* x) {
  Step(x, &gDrand48);
  return High32(x);
}

int tblibc_srand48_r(int32_t seed, Drand48Data* data) {
  data->x[2] = static_cast<uint16_t>(static_cast<uint32_t>(seed) >> 16);
  data->x[1] = static_cast<uint16_t>(seed);
  data->x[0] = 0x330E;
  Defaults(data);
  return 0;
}

void tblibc_srand48(int32_t seed) { tblibc_srand48_r(seed, &gDrand48); }

int tblibc_seed48_r(const uint16_t* seed, Drand48Data* data) {
  std::memcpy(data->oldX, data->x, sizeof data->x);
  std::memcpy(data->x, seed, sizeof data->x);
  Defaults(data);
  return 0;
}

// The previous value of the state, in a buffer of the library's own.
uint16_t* tblibc_seed48(const uint16_t* seed) {
  tblibc_seed48_r(seed, &gDrand48);
  return gDrand48.oldX;
}

int tblibc_lcong48_r(const uint16_t* param, Drand48Data* data) {
  std::memcpy(data->x, param, sizeof data->x);
  SetMultiplier(data, uint64_t{param[5]} << 32 | uint32_t{param[4]} << 16 |
                          param[3]);
  data->c = param[6];
  data->init = 1;
  return 0;
}

void tblibc_lcong48(const uint16_t* param) { tblibc_lcong48_r(param, &gDrand48); }

int tblibc_drand48_r(Drand48Data* data, double* result) {
  Step(data->x, data);
  *result = Fraction(data->x);
  return 0;
}

int tblibc_erand48_r_entry(uint16_t* x, Drand48Data* data, double* result) {
  Step(x, data);
  *result = Fraction(x);
  return 0;
}

int tblibc_lrand48_r(Drand48Data* data, int32_t* result) {
  Step(data->x, data);
  *result = High31(data->x);
  return 0;
}

int tblibc_nrand48_r(uint16_t* x, Drand48Data* data, int32_t* result) {
  Step(x, data);
  *result = High31(x);
  return 0;
}

int tblibc_mrand48_r(Drand48Data* data, int32_t* result) {
  Step(data->x, data);
  *result = High32(data->x);
  return 0;
}

int tblibc_jrand48_r(uint16_t* x, Drand48Data* data, int32_t* result) {
  Step(x, data);
  *result = High32(x);
  return 0;
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_random>("rand"),
    Fn<&tblibc_srandom>("srand"),
    Fn<&tblibc_rand_r>("rand_r"),
    Fn<&tblibc_random>("random"),
    Fn<&tblibc_srandom>("srandom"),
    Fn<&tblibc_initstate>("initstate"),
    Fn<&tblibc_setstate>("setstate"),
    Fn<&tblibc_random_r>("random_r"),
    Fn<&tblibc_srandom_r>("srandom_r"),
    Fn<&tblibc_initstate_r>("initstate_r"),
    Fn<&tblibc_setstate_r>("setstate_r"),
    Fn<&tblibc_drand48>("drand48"),
    Fn<&tblibc_erand48>("erand48"),
    Fn<&tblibc_lrand48>("lrand48"),
    Fn<&tblibc_nrand48>("nrand48"),
    Fn<&tblibc_mrand48>("mrand48"),
    Fn<&tblibc_jrand48>("jrand48"),
    Fn<&tblibc_srand48>("srand48"),
    Fn<&tblibc_seed48>("seed48"),
    Fn<&tblibc_lcong48>("lcong48"),
    Fn<&tblibc_drand48_r>("drand48_r"),
    Fn<&tblibc_erand48_r_entry>("erand48_r"),
    Fn<&tblibc_lrand48_r>("lrand48_r"),
    Fn<&tblibc_nrand48_r>("nrand48_r"),
    Fn<&tblibc_mrand48_r>("mrand48_r"),
    Fn<&tblibc_jrand48_r>("jrand48_r"),
    Fn<&tblibc_srand48_r>("srand48_r"),
    Fn<&tblibc_seed48_r>("seed48_r"),
    Fn<&tblibc_lcong48_r>("lcong48_r"),
};

}  // namespace

extern const Family kRandomFamily;
const Family kRandomFamily{"random", kExports, {}, StartRandom};

}  // namespace tblibc
