// Bessel functions J and Y of integer order in every precision, ours on
// both ports.
//
// One host's j1 is hundreds of ulps off near its zeros and its y1 a dozen;
// neither host has float or long double forms. Everything here is computed
// in the x87's 64-bit precision, rounding to nearest whatever the program
// asked for, and rounded once to the caller's type in the caller's mode.
//
//  - small x: the power series (with the logarithm for Y);
//  - up to 40: Taylor expansions about centres tabled below, the zeros of
//    each function among them, so that the relative error stays small
//    right at a zero. The coefficients come from the function's value and
//    slope at the centre by Bessel's equation,
//      (c+t)^2 y'' + (c+t) y' + ((c+t)^2 - n^2) y = 0;
//  - beyond: Hankel's asymptotic expansions P and Q, with the phase
//    x - (2n+1) pi/4 reduced in two words of pi/2;
//  - jn by the upward recurrence where n <= x and by Miller's downward
//    one (started from the continued fraction of J_n/J_{n-1}) above it;
//    yn always upward.
// The errno, the exception flags and the signs of zeros and NaNs are the
// Linux C library's.
#include "libcbind/math_bessel.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>

#include "abi/errno.h"
#include "libcbind/guest.h"
#include "libcbind/math_exact.h"
#include "libcbind/math_flags.h"
#include "libcbind/trig.h"

namespace tblibc {
namespace {

using LD = long double;

// A Taylor centre c = c + cLow (the two nearest long doubles), the value
// there v + vLow (zero at the function's zeros), the slope, and where the
// next centre takes over (each serves from the previous one's upTo).
struct Centre {
  LD c, cLow, v, vLow, slope;
  double upTo;
};

// Computed with mpmath at 60 digits (besseljzero, besselyzero, besselj,
// bessely) and rounded to pairs of long doubles: the zeros of the function
// and of its derivative below 40, and points between them where the next
// centre would be too far for a short expansion (|t| <= 0.8 and, for Y
// with its logarithm at 0, |t| <= c/5). Values and slopes at c + cLow. The
// series and asymptotic coefficients are computed as they are used, from
// their recurrences.
// J0: 31 centres from 1.0
constexpr Centre kJ0[] = {
    {0xe666666666666666p-63L, 0xcccccccccccccccdp-128L, 0xae12b2e9063f424dp-65L, 0xdacd91c5b26b5433p-130L, -0x94de4b81c14563aap-64L, 2.1024127788478864},
    {0x99e8a974b8d9fde1p-62L, 0xb18a09769c69b910p-127L, 0.0L, 0.0L, -0x84e6d9b2a8940359p-64L, 3.1182657639516425},
    {0xf53aabad7b784540p-62L, -0xaad4e8d92b1fb72bp-128L, -0xce367ac165fbf6d2p-65L, -0xf75e44d2b4fa05f1p-132L, 0x92063f9b4a05ec7fp-196L, 4.253799005227212},
    {0x95a0e8580f9725adp-61L, 0xda979bd406a7c717p-127L, -0x8d4f7e9cd9d8a851p-65L, 0xfee219b73b421fbep-130L, 0x8c40701708123780p-65L, 5.097985075266611},
    {0xb0a47ad9617228bbp-61L, -0xfab329f5ae904b1ep-126L, 0.0L, 0.0L, 0xae3730504bc11651p-65L, 6.267832390050964},
    {0xe07faf9da3927f27p-61L, -0x9b67490e09c9e75ap-128L, 0x99a8c59c3a74535ep-65L, 0x8b40cfb8291e516ap-130L, -0xc475ea1894fb676ap-195L, 7.425121980589467},
    {0xfab5833538bf8e42p-61L, -0x82f625628bbc62c6p-127L, 0xd5510e1cf040bb29p-66L, -0xc7c693b01d96b524p-133L, -0xd4c7b3037f310215p-66L, 8.244192602137163},
    {0x8a75ab6666f64eaep-60L, 0xd1f1d6707b5b0b88p-125L, 0.0L, 0.0L, -0x8afbcbbd3b969de9p-65L, 9.413598023986868},
    {0xa2c68685efe14a05p-60L, -0xf7ad754ea4da9b9fp-126L, -0xffb2a2a275e68905p-66L, -0xa8e8950715aa1b3dp-132L, -0xfd2794799dbdf974p-194L, 10.577984711050611},
    {0xafb8534501bb7da5p-60L, -0xee15db364e2ea172p-125L, -0xb2712fc9c01c9c05p-66L, -0xe7d448d651bee8eep-132L, 0xb23813749c9154c3p-66L, 11.387017863026392},
    {0xbcaa20041395b144p-60L, 0x9fab043ab6100aecp-125L, 0.0L, 0.0L, 0xee09f3356173b693p-66L, 12.557613187664252},
    {0xd52dd798872d112cp-60L, -0xc600b9c65b2e30bcp-126L, 0xdf999bc39d3ec392p-66L, -0xe64b46f7e770c7f6p-131L, -0xcd9ba0518c6eaa76p-193L, 13.725498379357614},
    {0xe20970c80d5dcefep-60L, 0xa1beaac4989abfa1p-125L, 0x9c811f4f9ad4e82ep-66L, 0xeb9d7c2fe6b868e7p-132L, -0x9c633ba821b28b0bp-66L, 14.529111265444396},
    {0xeee509f7938e8cd1p-60L, -0xb3049b274266d0c0p-126L, 0.0L, 0.0L, -0xd380e87cb3a7ffb8p-66L, 15.700773879682709},
    {0x83c3d9b02846245bp-59L, -0x9a3a22acc5d43927p-124L, -0xc92e37e5047aa42dp-66L, -0xaa0ccba3f05c31e2p-131L, 0x8dabafc93f12af28p-193L, 16.870738530135956},
    {0x8a2ab1d63c8ae917p-59L, -0xcbf233f42c40e6b1p-128L, -0x8d137a0089275be4p-66L, -0x920bc9571afa45f4p-131L, 0x8d01977e5418630cp-66L, 17.6709554886526},
    {0x909189fc50cfadd3p-59L, 0x80bbdc2e404c1c51p-124L, 0.0L, 0.0L, 0xc03bfab64dbc10d2p-66L, 18.843461239189583},
    {0x9ced473a0b651dbdp-59L, -0xc065fa7a17cc3a7cp-128L, 0xb86288913ead525bp-66L, 0x8015fe134ee5be25p-131L, 0x87e22a4abccd1b31p-195L, 20.41374757017375},
    {0xa9b16e8b9fbc911dp-59L, 0xb7e870ed6a0f98f8p-125L, 0.0L, 0.0L, -0xb16c9d54e82dda89p-66L, 21.985860505236015},
    {0xb614a71ea6c55ee4p-59L, 0xcc5010770ee52fefp-127L, -0xab32709db8310cb7p-66L, -0xa97b7cac16688d25p-134L, -0xac716456a40d3ebdp-196L, 23.55627795567104},
    {0xc2d1dc980ab6ea11p-59L, -0xe0e77ffa880a88acp-124L, 0.0L, 0.0L, 0xa595175fb0f66c34p-66L, 25.128071809183844},
    {0xcf3ab86e7508311ap-59L, 0x9a1920362081f459p-125L, 0xa07c83c9b02dda63p-66L, -0x838016b5a20f4b3dp-132L, 0xf28ce680b0c45967p-196L, 26.69857560982932},
    {0xdbf2a52feaf88ba5p-59L, 0xcdc525caca0a9e44p-124L, 0.0L, 0.0L, -0x9bd56460d755d66bp-66L, 28.270153833478556},
    {0xe85fe7a38fe65f5fp-59L, -0xce39ec976fab24f5p-124L, -0x979039731c679cecp-66L, -0xb82df9e8e092d00dp-131L, -0x8c88d0c852c5f2d5p-192L, 29.840717501674416},
    {0xf513ac8e5df68ec9p-59L, 0x88a87c6c19dfe779p-124L, 0.0L, 0.0L, 0x93a03efd6f73679ep-66L, 31.41214318970319},
    {0x80c23b73595f7e42p-58L, -0xe873419ad989d272p-124L, 0x8ffaf763500e6920p-66L, -0xc9d2f9a193b3871ep-131L, -0x88d361e78419aad6p-191L, 32.982750062273986},
    {0x871a709d337f31a3p-58L, 0x9b3d0c1e0e56cc10p-124L, 0.0L, 0.0L, -0x8c9791e71f028414p-66L, 34.55406388182872},
    {0x8d54486e2f4bdc54p-58L, 0x8801f75f300eabdap-126L, -0x896eabdf8c56cc32p-66L, 0xe2415f33deaed28fp-132L, -0xca4c32c4c82c124fp-194L, 36.12470295187396},
    {0x93ab1bd4b0cf5ef5p-58L, -0xc0d1f0c38de2f143p-123L, 0.0L, 0.0L, 0x8679f682ce2b993fp-66L, 37.695932294217826},
    {0x99e6291eae5b48cfp-58L, 0xafeca0ca4fc9a167p-123L, 0x83b41366160c8a34p-66L, 0x9f17f72b43b48eddp-132L, -0xa5490c68ebcf67bcp-191L, 39.26659599969993},
    {0xa03bd3f6b149cfb3p-58L, -0xc86f4e2793622d3ap-124L, 0.0L, 0.0L, -0x81185cbcbd3d9535p-66L, 40.0},
};
// J1: 32 centres from 1.0
constexpr Centre kJ1[] = {
    {0xe666666666666666p-63L, 0xcccccccccccccccdp-128L, 0x94de4b81c14563aap-64L, 0xc93588bed69c4dd7p-129L, 0x8a9ed3c6863f001ep-69L, 1.8205918906703296},
    {0xebabe8ff6451d02cp-63L, 0xb6c1067ed75aad3fp-129L, 0x94f51e8cf81af890p-64L, -0xe3cdbbac4cf875d7p-129L, -0xce16e11d99cd466bp-195L, 2.3388143285573726},
    {0xb588501696d096abp-62L, -0x9ee8cb337ee4c118p-130L, 0xcb82083f89fc7edfp-65L, 0xda968fe42a301567p-130L, -0xae0475cf7403c7dap-65L, 3.334075422990799},
    {0xf53aabad7b784540p-62L, -0xaad4e8d92b1fb72bp-128L, 0.0L, 0.0L, -0xce367ac165fbf6d2p-65L, 4.581574371866273},
    {0xaa9b2de01923395cp-61L, 0xc8d4ebaea72bb0d0p-126L, -0xb137741a805f9306p-65L, 0xa763a7e3ad8d9b2ep-130L, -0xa96ce0e32658f5fcp-192L, 5.752478747597679},
    {0xc58d6ebede5adc42p-61L, -0xaf02734a6da36483p-126L, -0xf4edb6f5914774f7p-66L, -0xf2ecd8143a88564dp-131L, 0xefdc697ad01217c9p-66L, 6.5945506957429725},
    {0xe07faf9da3927f27p-61L, -0x9b67490e09c9e75ap-128L, 0.0L, 0.0L, 0x99a8c59c3a74535ep-65L, 7.775951518080952},
    {0x8894c0785c45074ep-60L, 0xf409efae71bd797ap-128L, 0x8bedf84ea0692457p-65L, -0xdbfa0ea1a446aff3p-132L, 0xa01cb2758737e292p-196L, 8.945604308525395},
    {0x95ada37f261328a9p-60L, 0xd15541a73de530b0p-125L, 0xc2e1652e56752eeap-66L, -0xed46edb2a2232a74p-131L, -0xc1412dc1d34882c5p-66L, 9.764180192883613},
    {0xa2c68685efe14a05p-60L, -0xf7ad754ea4da9b9fp-126L, 0.0L, 0.0L, -0xffb2a2a275e68905p-66L, 10.939736518827393},
    {0xbb4bcbcbf72d6335p-60L, 0x9a74bfdb8315bf93p-128L, -0xeee75a670dfa4ef0p-66L, -0xed7a580dfaaa44fbp-131L, 0x86dc33d1ed08ba60p-195L, 12.110426661022604},
    {0xc83cd1b23f2d3a30p-60L, 0xd8271d8c2165cfcap-125L, -0xa700f6bb33f2e8c7p-66L, 0xddc488a991fd1859p-132L, 0xa6406fe21d29d1bap-66L, 12.919270177883684},
    {0xd52dd798872d112cp-60L, -0xc600b9c65b2e30bcp-126L, 0.0L, 0.0L, 0xdf999bc39d3ec392p-66L, 14.093640285111627},
    {0xedd14250bd62c52ep-60L, -0xcae61c253c014956p-125L, 0xd3fb1ff540f92fd4p-66L, -0xe5c25521eee1770bp-131L, 0xf89fabcad0f96da7p-193L, 15.265348988151183},
    {0xfaac7ad886f786f2p-60L, -0xffad30bf63d4ddd2p-125L, 0x9486b8bbf83a8673p-66L, -0xecf5c3fa602d51a1p-131L, -0x941b9a89f112d364p-66L, 16.06886969663548},
    {0x83c3d9b02846245bp-59L, -0x9a3a22acc5d43927p-124L, 0.0L, 0.0L, -0xc92e37e5047aa42dp-66L, 17.24307895677972},
    {0x901fcd12732937bfp-59L, 0xe84a6a55923f54d9p-124L, -0xc087a8112d8257cbp-66L, -0x839b1fff028ce125p-131L, 0xa9c9dfd1778a42cfp-191L, 18.415610524628413},
    {0x96868a263f472abep-59L, 0xdc440aadf0c29131p-125L, -0x871ae9b909a625bdp-66L, -0xa69521b0d87d339bp-131L, 0x86d8374c6adfbf2bp-66L, 19.215775848521634},
    {0x9ced473a0b651dbdp-59L, -0xc065fa7a17cc3a7cp-128L, 0.0L, 0.0L, 0xb86288913ead525bp-66L, 20.390114184828516},
    {0xa950a1250d4fd3d5p-59L, 0xbfabe3b06bd134d7p-124L, 0xb19f3fbf8298049dp-66L, 0xc973f95431a62829p-132L, 0xccf6910c523f4c64p-193L, 21.96222711989078},
    {0xb614a71ea6c55ee4p-59L, 0xcc5010770ee52fefp-127L, 0.0L, 0.0L, -0xab32709db8310cb7p-66L, 23.535705618901773},
    {0xc27d98ef70b1a769p-59L, 0x88c4af30747a1312p-124L, -0xa5b8ea65166348fbp-66L, -0xf339127993d0df18p-131L, -0xda37491a2111e14bp-193L, 25.10749947241458},
    {0xcf3ab86e7508311ap-59L, 0x9a1920362081f459p-125L, 0.0L, 0.0L, 0xa07c83c9b02dda63p-66L, 26.680361329338815},
    {0xdba80a213a8a6a18p-59L, -0x847635b0a1bc02fcp-124L, 0x9befd47ad2a850fbp-66L, -0xbf9ab28779aa7882p-141L, 0x87058cdf57928291p-192L, 28.251939552988052},
    {0xe85fe7a38fe65f5fp-59L, -0xce39ec976fab24f5p-124L, 0.0L, 0.0L, -0x979039731c679cecp-66L, 29.824375753792975},
    {0xf4d0bcfdd29950edp-59L, 0x93858286907e36dep-125L, -0x93b4694e34c9b374p-66L, 0x84ed358beae1d9a2p-134L, 0x918eebfdf9d5e5ccp-192L, 31.39580144182175},
    {0x80c23b73595f7e42p-58L, -0xe873419ad989d272p-124L, 0.0L, 0.0L, 0x8ffaf763500e6920p-66L, 32.967931404820895},
    {0x86fc175eaa718d2ap-58L, -0xc1279ef09cdaa0dcp-129L, 0x8ca75d3ad997c950p-66L, -0xb809bbe76d17d164p-131L, 0x855cf7c63a969289p-197L, 34.53924522437563},
    {0x8d54486e2f4bdc54p-58L, 0x8801f75f300eabdap-126L, 0.0L, 0.0L, -0x896eabdf8c56cc32p-66L, 36.11114747966034},
    {0x938f58dc0218717ep-58L, -0xf36881d0b9e90e56p-123L, -0x86869b239f4c602fp-66L, 0xc94e0a928ff658f5p-133L, 0x96b9c8c3db7803a7p-192L, 37.682376822004215},
    {0x99e6291eae5b48cfp-58L, 0xafeca0ca4fc9a167p-123L, 0.0L, 0.0L, 0x83b41366160c8a34p-66L, 39.25410514406114},
    {0xa0223f286d8c1d46p-58L, 0x9a9e7fab2f8443a0p-124L, 0x8122ab3ad5b69235p-66L, -0x8fed5633f8ac8003p-132L, -0xafd5f7c68382d15dp-194L, 40.0},
};
// Y0: 37 centres from 0.4
constexpr Centre kY0[] = {
    {0xfffffffffffffc00p-65L, 0xfffffffffffffc00p-173L, -0xe397f59dbdc514c8p-65L, 0x9d20bf55cbcf96c5p-131L, 0xbc593515be26f959p-63L, 0.5983942415697918},
    {0xb260bae3505fa7f5p-64L, 0x9d270347f836d3d1p-129L, -0xc6e059383ea45a77p-66L, 0x89fec838fae212bep-131L, 0x8dc99dc2ad2ea735p-63L, 0.7951827247093757},
    {0xe4c175c6a0bf51ebp-64L, -0xc5b1f9700fa2585fp-129L, 0.0L, 0.0L, 0xe121b8c225c44edep-64L, 1.0565225112481487},
    {0x9c17877dfc10ca49p-63L, -0x994b2696e5c4ffcep-128L, 0xf5cbbe57a2db0106p-66L, 0xe087159ad1f71751p-131L, 0x9b50a463eb499479p-64L, 1.382413601186111},
    {0xc5ce5418a7c1eb9cp-63L, 0xc10abe28f11cb24bp-130L, 0xcd0b7016e910cfdcp-65L, 0xa3fda5f1ad7c847bp-130L, 0xc3f1bf042bb01144p-65L, 1.7083046911240736},
    {0xef8520b353730cefp-63L, 0xf9d085ab5e5358f4p-128L, 0xfbd3f6567fd88049p-65L, 0xcacddc1115c10560p-130L, 0xb99ab73c810ab55ep-66L, 2.034195781062036},
    {0x8c9df6a6ff921721p-62L, 0xe1af2de6402fc2abp-127L, 0x85524221780a56b7p-64L, -0xd9f13016aa7b7cc4p-130L, -0xfdc5d288c0f19cd2p-193L, 2.417208462691497},
    {0xa8c91f98705ac8ddp-62L, -0xc305db5124a8dd2fp-131L, 0xf2b3c993ca1ba608p-65L, 0xfc8d787fe197ad58p-132L, -0xd043834e6c5abccdp-66L, 2.8573427360124573},
    {0xc4f44889e1237a99p-62L, -0xfa0fe95064c4de50p-127L, 0xb3ae9c76ac661711p-65L, -0xed633f316eaf235ep-130L, -0xb04bbc4b703bddf6p-65L, 3.517544145993898},
    {0xfd4a9a6cc2b4de10p-62L, -0xd5cf008709b97f4bp-127L, 0.0L, 0.0L, -0xce1a12b5095060d2p-65L, 4.693679730054496},
    {0xadbff2743d8173c0p-61L, -0xc229eeb8ba088fbap-127L, -0xae3e2ab7860ccc8ep-65L, -0xb578eda5fe15af38p-130L, -0x9aac4df63fbfb437p-193L, 5.843773545671045},
    {0xc840704dbb44c57ap-61L, 0xa919cab8d82fb6eep-129L, -0xf0bdfc9a79b688b7p-66L, -0xd65afadd4c46ec59p-132L, 0xefc5bcc4e28bd3fbp-66L, 6.6719585554248635},
    {0xe2c0ee2739081734p-61L, 0x8b5b6a0a93103598p-126L, 0.0L, 0.0L, 0x99a665034bd2d4e5p-65L, 7.841028464316471},
    {0x89893d730b4da148p-60L, -0xc67f2e4df732414ap-125L, 0x8afcc9fe755ae11ep-65L, -0xe6356b0e9c08937dp-131L, 0xa00f22f7ab2d79a6p-192L, 9.002590662122481},
    {0x968bfb90179c2ed9p-60L, -0xf73e895f8e29b5d1p-125L, 0xc18e613fdb0bf04fp-66L, -0xdd3b6336114c9b49p-131L, -0xc13928e6b98ead5ep-66L, 9.815760249705106},
    {0xa38eb9ad23eabc69p-60L, 0xd8021b8edaded5a7p-125L, 0.0L, 0.0L, -0xffb1ae6395cf85c3p-66L, 10.98574993716815},
    {0xbbfc89c6a1903022p-60L, -0xe1e4c7e7dff652a2p-129L, -0xee0a750a744fc6b3p-66L, 0xa63bde0b486dfc6dp-133L, 0x97036d6a7f132ff6p-201L, 12.152140491598102},
    {0xc8e1cbf5d8653e93p-60L, 0x8b508e277530fb18p-129L, -0xa6659e8b2892cda0p-66L, 0xaf40f029d2b4dbb0p-133L, 0xa63d292fd8d79aabp-66L, 12.958111813114543},
    {0xd5c70e250f3a4d04p-60L, 0xfc42f21b652c2469p-128L, 0.0L, 0.0L, 0xdf99513aca00388ap-66L, 14.129269801104744},
    {0xee5bec46f4245544p-60L, -0x91a50f8e04f1e7ebp-127L, 0xd38115f0426cc97cp-66L, -0xbda65e06dc23ff8ep-131L, -0xba5f9b2856e63de5p-194L, 15.298312206634566},
    {0xfb2fd9c37ba2ccedp-60L, 0xed5545274c213620p-126L, 0x9430d6954990cf03p-66L, 0xdfa386349a0c333ep-131L, -0x941a0540e7ae18dbp-66L, 16.10005236323025},
    {0x8401e3a00190a24bp-59L, 0x88df448566aed80ep-124L, 0.0L, 0.0L, -0xc92e1acc47714ab7p-66L, 17.27216235912797},
    {0x9058e34af8f1d4bcp-59L, 0x8d9d5bc0910e8b45p-125L, -0xc03c0e1921173a7bp-66L, -0xda3159ca0ebf1eadp-131L, 0x9dd01e55841235d5p-193L, 18.8423559888079},
    {0x9d2166faff5eb4e8p-59L, 0xda55c08a2ad07a7fp-127L, 0.0L, 0.0L, 0xb8627b3655a3faa0p-66L, 20.414689317515077},
    {0xa9812a490c466a72p-59L, 0xd8a20829475c9a98p-125L, 0xb16ca6cbf42cdc5ap-66L, 0xfefa0c3184447d5fp-133L, -0xacc6f23453463b1ap-192L, 21.985048490716885},
    {0xb64197ebbd603b95p-59L, -0xaf7f30ac57c76f7ap-126L, 0.0L, 0.0L, -0xab3269be1bebd602p-66L, 23.556985309324237},
    {0xc2a7d181c10650a9p-59L, 0xf75f025b20567c8bp-124L, -0xa5951c78d5cda1e9p-66L, -0x88e9ff2518894fc2p-134L, -0xd38bbec3dafdd316p-193L, 25.127450112268917},
    {0xcf62379f400a2f7ep-59L, 0xfd6a131fa8945effp-127L, 0.0L, 0.0L, 0xa07c7fef84d2f9f3p-66L, 26.69912631681507},
    {0xdbcd677467dbe718p-59L, 0xecf0415c4dba3e87p-124L, 0x9bd567564c3dc8cdp-66L, -0x887d7a65ff3241a1p-131L, 0x8e2b292a1676a772p-191L, 28.26966261658881},
    {0xe883224b0b627a15p-59L, 0xac5fb29d2e2a6fb6p-124L, 0.0L, 0.0L, -0x97903724c84e3969p-66L, 29.841158372184758},
    {0xf4f240302941dfc3p-59L, 0xb11f7053d347845cp-127L, -0x93a040cf8e554c92p-66L, 0xc9b8feea9be518ddp-131L, -0x8baf65ff737e31a1p-194L, 31.411745304067196},
    {0x80d22107255f73a6p-58L, -0xe7557570d13b68e9p-125L, 0.0L, 0.0L, 0x8ffaf5eee9e1cc84p-66L, 32.9831109563013},
    {0x870b483fc7daacd3p-58L, -0xfaafbdfb3d0185f6p-123L, 0x8c979313d3a7177cp-66L, -0xe15285693d9f65e4p-134L, -0xa30255084f52b8d0p-192L, 34.55373505066182},
    {0x8d62c464a213c7ccp-58L, 0x8baa1ff24bbd7f48p-123L, 0.0L, 0.0L, -0x896eaaea5f1598f4p-66L, 36.125003810678635},
    {0x939d3d9ad3d7f925p-58L, -0xfc2f0a40351af93fp-123L, -0x8679f74c7bb4d5e8p-66L, 0xdc50c1d0d021d1a5p-134L, 0xa7607d24f14605d7p-195L, 37.695655984612245},
    {0x99f3767ae59104c8p-58L, -0xf750f96455ebec8cp-123L, 0.0L, 0.0L, 0x83b412bed6ab4d79p-66L, 39.26685064667421},
    {0xa02f0c1c9d7da9a9p-58L, -0xa6aa6f73e3fc9686p-131L, 0x81185d4879438a23p-66L, -0xca433534c31f5dd0p-132L, -0xa848c29fc74ea4f5p-201L, 40.0},
};
// Y1: 32 centres from 1.5
constexpr Centre kY1[] = {
    {0xeffffffffffffc40p-63L, 0xeffffffffffffc40p-171L, -0xb7585d309d8afbc6p-66L, -0xd2e31119f3e6ac12p-131L, 0x96886f2143943a44p-64L, 2.0360706630155083},
    {0x8c9df6a6ff921721p-62L, 0xe1af2de6402fc2abp-127L, 0.0L, 0.0L, 0x85524221780a56b7p-64L, 2.568611708669557},
    {0xbc2a4e136e4edf9bp-62L, -0xd467f7be9ebf91a1p-127L, 0x9da59c82d6bb1534p-65L, -0xf9c46a184e60c4bbp-130L, 0x9508aaa8b471fb40p-65L, 3.3115524739466373},
    {0xebb6a57fdd0ba814p-62L, -0x8a7f1d637daee5edp-127L, 0xd55da008f6998039p-65L, -0xb4860a7a8c484eddp-131L, 0xbddeba2493293e8dp-194L, 4.119687402637417},
    {0x91cda29a1603a3e5p-61L, -0xa654860e1bdbbad3p-127L, 0x9261cd7ed7b218ebp-65L, 0xd6f34c09a73ce4acp-130L, -0x8c48cad985e010c3p-65L, 4.993016494741895},
    {0xadbff2743d8173c0p-61L, -0xc229eeb8ba088fbap-127L, 0.0L, 0.0L, -0xae3e2ab7860ccc8ep-65L, 6.1855904972241555},
    {0xde20c482c42a9979p-61L, 0xc16d6388d581b0c2p-126L, -0x9b3996a5cb04a0c2p-65L, 0xa6135dc419ee8563p-131L, -0x92ceb0f8cc3a5d23p-193L, 7.355126432323424},
    {0xf8999fb46d62ee04p-61L, 0x9a378376738e9717p-126L, -0xd78485fc1da9bb64p-66L, 0x9bdd389132cc582fp-131L, 0xd4d52fe7147f9805p-66L, 8.182379389661921},
    {0x89893d730b4da148p-60L, -0xc67f2e4df732414ap-125L, 0.0L, 0.0L, 0x8afcc9fe755ae11ep-65L, 9.35970526188389},
    {0xa1f97728f463f31fp-60L, -0xd168a5c6f00113e8p-125L, 0x80779ba2f071deb1p-65L, -0xcd13b17ad6c87be1p-132L, 0xfec631ee9f5da24cp-193L, 10.52984219928743},
    {0xaefb0077cafa11a0p-60L, 0x903c86dd48ffc377p-125L, 0xb34fbe50e183eb28p-66L, 0xa7f3fa068445167bp-131L, -0xb23d143835600b7fp-66L, 11.342717286989064},
    {0xbbfc89c6a1903022p-60L, -0xe1e4c7e7dff652a2p-129L, 0.0L, 0.0L, -0xee0a750a744fc6b3p-66L, 12.517456493811368},
    {0xd49277251f295f05p-60L, -0xef7a3571592a84a1p-125L, -0xe03aed42df5a79a8p-66L, -0x8ce080e379b5a970p-135L, -0xb64e4d9257ae3603p-192L, 13.688679149671323},
    {0xe17731b609a6da24p-60L, 0xec1c86ab25990165p-126L, -0x9cf29c105f3142fbp-66L, -0xee8635b0260244c2p-131L, 0x9c65786db12e8de7p-66L, 14.494521135448258},
    {0xee5bec46f4245544p-60L, -0x91a50f8e04f1e7ebp-127L, 0.0L, 0.0L, 0xd38115f0426cc97cp-66L, 15.668750067815003},
    {0x83853d21ed573107p-59L, 0xc8088735795b96f6p-125L, 0xc98d2d0572d50119p-66L, -0x9f9f8883a15087e7p-131L, -0xf6527a8e4d7872d7p-194L, 16.840894074651924},
    {0x89ef1036732482e2p-59L, -0xaa9687427d657771p-124L, 0x8d56527f467beaa8p-66L, 0x9077e8083d9eefc4p-132L, -0x8d02befa672ac9e0p-66L, 17.64256620936921},
    {0x9058e34af8f1d4bcp-59L, 0x8d9d5bc0910e8b45p-125L, 0.0L, 0.0L, -0xc03c0e1921173a7bp-66L, 18.816822016678675},
    {0x9cb8d0ab8ba87daep-59L, -0xc493fbdf8d39dfddp-128L, -0xb89fe28b32639ea7p-66L, 0xd9389b64fb0cdb66p-132L, -0x968aab83f4ff2ba0p-195L, 20.389155345385856},
    {0xa9812a490c466a72p-59L, 0xd8a20829475c9a98p-125L, 0.0L, 0.0L, 0xb16ca6cbf42cdc5ap-66L, 21.96305182576927},
    {0xb5e77ebef43d16eap-59L, 0x9fb46f245d1b0eadp-126L, 0xab5cbfc048d62648p-66L, -0xb15d944cfc23a9dap-131L, -0xa6b28715342950edp-193L, 23.534988644376618},
    {0xc2a7d181c10650a9p-59L, 0xf75f025b20567c8bp-124L, 0.0L, 0.0L, -0xa5951c78d5cda1e9p-66L, 25.10812859507289},
    {0xcf13138af89548b8p-59L, -0xa8089690b6ca8edcp-124L, -0xa09b221ab52958e8p-66L, -0xae4313eecfbbbb9cp-135L, 0x99b0fb678ff89edcp-193L, 26.679804799619045},
    {0xdbcd677467dbe718p-59L, 0xecf0415c4dba3e87p-124L, 0.0L, 0.0L, 0x9bd567564c3dc8cdp-66L, 28.25243539991088},
    {0xe83c923f47a8d7dep-59L, -0x850ac42971953f62p-124L, 0x97a7386b63f008f9p-66L, -0xdc97c30df579909cp-131L, 0xf804ad00c58405b2p-195L, 29.823931155506823},
    {0xf4f240302941dfc3p-59L, 0xb11f7053d347845cp-127L, 0.0L, 0.0L, -0x93a040cf8e554c92p-66L, 31.396202362503658},
    {0x80b24c0cd7c7d045p-58L, 0xa5d60f9b26e1e258p-125L, -0x900cc1005b4ce7acp-66L, -0x875830275764805ep-132L, 0xbd8091405c37f16bp-194L, 32.967568014737765},
    {0x870b483fc7daacd3p-58L, -0xfaafbdfb3d0185f6p-123L, 0.0L, 0.0L, 0x8c979313d3a7177cp-66L, 34.53957612715071},
    {0x8d45c50a16a9b38cp-58L, 0x86fb5dd335030906p-125L, 0x897cc386b470c31fp-66L, -0xe0efc494080bf28cp-133L, -0x80a2ee74f25fc8e7p-193L, 36.110844887167524},
    {0x939d3d9ad3d7f925p-58L, -0xfc2f0a40351af93fp-123L, 0.0L, 0.0L, -0x8679f74c7bb4d5e8p-66L, 37.68265459357025},
    {0x99d8d601baf1897ep-58L, -0xa4908fe385d38d27p-126L, -0x83bf76f2506c4ae8p-66L, -0xaa91baa6cc539a7cp-131L, -0xa1f672181ff72de7p-195L, 39.25384925563221},
    {0xa02f0c1c9d7da9a9p-58L, -0xa6aa6f73e3fc9686p-131L, 0.0L, 0.0L, 0x81185d4879438a23p-66L, 40.0},
};

struct Table {
  const Centre* rows;
  size_t count;
  LD seriesUpTo;  // below this, the power series
};
constexpr Table kJ0Table{kJ0, std::size(kJ0), 1.0L};
constexpr Table kJ1Table{kJ1, std::size(kJ1), 1.0L};
constexpr Table kY0Table{kY0, std::size(kY0), 0.4L};
constexpr Table kY1Table{kY1, std::size(kY1), 1.5L};
constexpr LD kAsymptoticFrom = 40.0L;

constexpr LD kTwoOverPi = 0xa2f9836e4e44152ap-64L;
constexpr LD kOneOverPi = 0xa2f9836e4e44152ap-65L;
constexpr LD kEuler = 0x93c467e37db0c7a5p-64L;
constexpr LD kSqrtTwoOverPi = 0xcc42299ea1b28468p-64L;
constexpr LD kSqrtTwoOverPiLow = 0xfcb3c500bab8e2ffp-129L;
constexpr LD kPiOver4 = 0xc90fdaa22168c235p-64L;
constexpr LD kPiOver4Low = -0xece675d1fc8f8cbbp-130L;
// pi/2 in four parts, the first three of 32 bits: their products with a
// quadrant count below 2^32 are exact.
constexpr LD kHalfPi1 = 0xc90fdaa2p-31L;
constexpr LD kHalfPi2 = 0x85a308d3p-65L;
constexpr LD kHalfPi3 = 0x98cc5170p-100L;
constexpr LD kHalfPi4 = 0xdc1cd129024e088ap-167L;
constexpr LD kTiny = 0x1p-70L;  // below it a series' first term is all
constexpr LD kEps = 0x1p-68L;   // a term this much below the sum is left out

LD Abs(LD x) { return x < 0 ? -x : x; }
LD Sqrt(LD x) {
  LD r;
  __asm__("fsqrt" : "=t"(r) : "0"(x));
  return r;
}
LD Ln(LD x) {  // the x87's own, the same on every host
  LD r;
  __asm__("fldln2\n\tfxch\n\tfyl2x" : "=t"(r) : "0"(x) : "st(1)");
  return r;
}
LD NearestInt(LD x) {
  LD r;
  __asm__("frndint" : "=t"(r) : "0"(x));
  return r;
}

// ---- Small x -------------------------------------------------------------

// sum over k of (-x^2/4)^k / (k! (k+n)!) for n = 0, 1; with `harmonic`,
// each term weighted by H_k (n = 0) or H_k + H_{k+1} (n = 1), H the
// harmonic numbers.
LD Series(int n, LD x, bool harmonic) {
  const LD q = -(x * x) / 4;
  LD terms[40];
  terms[0] = harmonic ? (n == 1 ? 1 : 0) : 1;
  LD term = 1, h = 0;
  int k = 1;
  for (; k < 40; ++k) {
    term *= q / (k * (k + n));
    LD weight = 1;
    if (harmonic) {
      const LD next = h + 1.0L / k;
      weight = n == 1 ? next + (next + 1.0L / (k + 1)) : next;
      h = next;
    }
    terms[k] = term * weight;
    if (Abs(terms[k]) < kEps) break;
  }
  // The small terms first: added the other way the partial sums' roundings
  // come to two ulps of a long double.
  LD sum = 0;
  for (int i = k < 40 ? k : 39; i > 0; --i) sum += terms[i];
  return terms[0] + sum;
}

// ---- Taylor expansions about a centre ------------------------------------

LD Taylor(const Centre& e, int n, LD x) {
  const LD c = e.c, t = (x - e.c) - e.cLow;
  // a[k+2] from a[k+1] .. a[k-2], by the equation above.
  LD a2 = 0, a1 = 0, a0 = e.v, b = e.slope;  // a[k-2], a[k-1], a[k], a[k+1]
  const LD cc = c * c, base = cc - n * n;
  const LD scale = Abs(e.v) + Abs(e.slope * t), at = Abs(t);
  constexpr int kMost = 90;
  LD coef[kMost + 2];
  LD power = at;
  int last = 1, small = 0;
  for (int k = 0; k < kMost; ++k) {
    const LD next = -(c * ((k + 1) * (2 * k + 1)) * b + (base + k * k) * a0 + 2 * c * a1 + a2) /
                    (cc * ((k + 2) * (k + 1)));
    a2 = a1;
    a1 = a0;
    a0 = b;
    b = next;
    coef[k + 2] = next;
    last = k + 2;
    power *= at;
    // Two in a row: a coefficient may pass through zero.
    small = Abs(next) * power < kEps * scale ? small + 1 : 0;
    if (small == 2) break;
  }
  // Horner's rule from the last coefficient down to t^2.
  LD tail = coef[last];
  for (int i = last; i > 2; --i) tail = tail * t + coef[i - 1];
  return e.v + (e.vLow + (e.slope * t + tail * t * t));
}

LD FromTable(const Table& table, int n, LD x) {
  size_t i = 0;
  while (i + 1 < table.count && !(x < table.rows[i].upTo)) ++i;
  return Taylor(table.rows[i], n, x);
}

// ---- Large x -------------------------------------------------------------

// x = q pi/2 + hi + lo, |hi| <= pi/4 or so, the remainder in two words:
// near a zero of the function it is r - pi/4 that is small, and its
// relative error is the result's. Below 2^31 pi/2 by the parts of pi/2;
// above by the bits of 2/pi (the table trig.cpp reduces with), multiplied
// out in integers.
struct Phase {
  uint32_t q;
  LD hi, lo;
};

constexpr uint32_t kTwoOverPiBits[] = {
#include "libcbind/trig_table.inc"
};
// pi/2 * 2^126, rounded, in little-endian 32-bit limbs.
constexpr uint32_t kHalfPiFixed[4] = {0xc06e0e69, 0x62633145, 0x10b4611a, 0x6487ed51};

// Bits [low, low+63] of little-endian 32-bit limbs; zero outside them.
uint64_t Window(const uint32_t* p, int limbs, int low) {
  uint64_t r = 0;
  for (int i = 0; i < 64; i += 32) {
    const int bit = low + i;
    const int index = bit >= 0 ? bit / 32 : -((31 - bit) / 32);
    const int offset = bit - 32 * index;
    auto limb = [&](int k) -> uint64_t { return k >= 0 && k < limbs ? p[k] : 0; };
    const uint64_t two = limb(index) | (limb(index + 1) << 32);
    r |= static_cast<uint64_t>(static_cast<uint32_t>(two >> offset)) << i;
  }
  return r;
}

// m 2^e as a long double.
LD Make(uint64_t m, int e) {
  if (m == 0) return 0;
  const int lz = __builtin_clzll(m);
  m <<= lz;
  const uint16_t se = static_cast<uint16_t>(e - lz + 63 + 16383);
  LD r = 0;
  std::memcpy(&r, &m, 8);
  std::memcpy(reinterpret_cast<char*>(&r) + 8, &se, 2);
  return r;
}

// Schoolbook product of little-endian limbs into out[na + nb].
void Multiply(const uint32_t* a, int na, const uint32_t* b, int nb, uint32_t* out) {
  for (int i = 0; i < na + nb; ++i) out[i] = 0;
  for (int i = 0; i < na; ++i) {
    uint64_t carry = 0;
    for (int j = 0; j < nb; ++j) {
      const uint64_t t = uint64_t{a[i]} * b[j] + out[i + j] + carry;
      out[i + j] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    out[i + nb] = static_cast<uint32_t>(carry);
  }
}

Phase ReduceHuge(LD x) {  // 2^31 <= x < 2^2500
  uint64_t m;
  uint16_t se;
  std::memcpy(&m, &x, 8);
  std::memcpy(&se, reinterpret_cast<const char*>(&x) + 8, 2);
  const int e = (se & 0x7fff) - 16383 - 63;  // x = m 2^e
  // Word j of 2/pi weighs 2^-32(j+1); with m 2^e, the words before
  // (e-2)/32 add multiples of 4 to x 2/pi.
  const int first = e - 2 >= 0 ? (e - 2) / 32 : 0;
  constexpr int kWords = 7;
  uint32_t w[kWords];
  for (int i = 0; i < kWords; ++i) w[i] = kTwoOverPiBits[first + kWords - 1 - i];
  const uint32_t mm[2] = {static_cast<uint32_t>(m), static_cast<uint32_t>(m >> 32)};
  uint32_t p[kWords + 2];
  Multiply(mm, 2, w, kWords, p);
  const int s = 32 * (first + kWords) - e;  // fraction bits of p
  uint32_t q = static_cast<uint32_t>(Window(p, kWords + 2, s) & 3);
  uint64_t hi = Window(p, kWords + 2, s - 64), lo = Window(p, kWords + 2, s - 128);
  const bool negative = (hi >> 63) != 0;  // past the half: r below zero
  if (negative) {
    ++q;
    lo = ~lo + 1;
    hi = ~hi + (lo == 0 ? 1 : 0);
  }
  // r = f pi/2 with f = (hi, lo) 2^-128.
  const uint32_t f[4] = {static_cast<uint32_t>(lo), static_cast<uint32_t>(lo >> 32),
                         static_cast<uint32_t>(hi), static_cast<uint32_t>(hi >> 32)};
  uint32_t r[8];
  Multiply(f, 4, kHalfPiFixed, 4, r);
  int top = 255;
  while (top >= 0 && ((r[top / 32] >> (top % 32)) & 1) == 0) --top;
  if (top < 0) return {q, 0, 0};
  LD rh = Make(Window(r, 8, top - 63), top - 63 - 254);
  LD rl = Make(Window(r, 8, top - 127), top - 127 - 254);
  return negative ? Phase{q, -rh, -rl} : Phase{q, rh, rl};
}

Phase Reduce(LD x) {
  if (x < 0x1p31L) {
    const LD q = NearestInt(x * kTwoOverPi);
    const LD t1 = x - q * kHalfPi1;  // exact
    const LD p2 = q * kHalfPi2;      // exact
    // h + err = t1 - p2 exactly (Knuth's two-sum: t1 may be the smaller)
    const LD h = t1 - p2, back = h - t1;
    const LD err = (t1 - (h - back)) + (-p2 - back);
    const LD l = err - q * kHalfPi3 - q * kHalfPi4;
    const LD hi = h + l;
    return {static_cast<uint32_t>(q), hi, l - (hi - h)};
  }
  if (x < 0x1p2500L) return ReduceHuge(x);
  const trig::Reduced r = trig::Reduce(x);
  return {static_cast<uint32_t>(r.quadrant), r.r, 0};
}

// sin s and cos s - 1 for |s| <= pi/4 + a little, by their series, the
// small terms added first. cos s - 1 keeps the digits that cos s, near 1,
// would round away.
void SinCos(LD s, LD* sine, LD* cosMinus1) {
  constexpr int kTerms = 14;
  const LD z = -(s * s);
  LD ts[kTerms], tc[kTerms];
  ts[0] = s;
  tc[0] = 1;
  for (int k = 1; k < kTerms; ++k) {
    tc[k] = tc[k - 1] * (z / ((2 * k - 1) * (2 * k)));
    ts[k] = ts[k - 1] * (z / ((2 * k) * (2 * k + 1)));
  }
  LD ss = 0, sc = 0;
  for (int k = kTerms - 1; k > 0; --k) {
    ss += ts[k];
    sc += tc[k];
  }
  *sine = s + ss;
  *cosMinus1 = sc;
}

using exact::TwoProduct;

// sqrt(2/pi) (hi + lo) / sqrt(x), the constant, the square root and the
// division carried in two words: one rounding at the end.
LD Amplitude(LD hi, LD lo, LD x) {
  const LD y = Sqrt(x);
  const exact::Sum yy = TwoProduct(y, y);
  const LD root = (((x - yy.hi) - yy.lo) / (2 * y)) / y;  // sqrt(x) = y (1 + root)
  const exact::Sum cs = TwoProduct(kSqrtTwoOverPi, hi);
  const LD csLow = cs.lo + (kSqrtTwoOverPiLow * hi + kSqrtTwoOverPi * lo);
  const LD q = cs.hi / y;
  const exact::Sum qy = TwoProduct(q, y);
  const LD rest = (((cs.hi - qy.hi) - qy.lo) + csLow) / y - q * root;
  return q + rest;
}

// J_n or Y_n for large x: sqrt(2/(pi x)) (P cos chi - Q sin chi) and
// sqrt(2/(pi x)) (P sin chi + Q cos chi), chi = x - (2n+1) pi/4, with
// P - iQ ~ sum over k of (i)^k a_k(n) / x^k, a_k = a_{k-1} (4n^2 - (2k-1)^2) / (8k).
LD Asymptotic(uint32_t n, LD x, bool y) {
  const LD mu = 4.0L * n * n;
  LD p = 0, q = 0;  // P - 1 and Q
  if (x < 0x1p16000L) {
    const LD z = 1 / x;
    LD term = 1, last = 2;
    for (int k = 1; k < 200; ++k) {
      term *= (mu - (2.0L * k - 1) * (2 * k - 1)) / (8 * k) * z;
      const LD size = Abs(term);
      if (size > last) break;  // past the smallest term: the series diverges
      last = size;
      const LD signed_ = (k & 2) != 0 ? -term : term;
      if ((k & 1) != 0) q += signed_; else p += signed_;
      if (size < kEps) break;
    }
  }
  const Phase ph = Reduce(x);
  // chi = (q - n) pi/2 + (r - pi/4), folded to |s| <= pi/4.
  uint32_t m = ph.q - n;
  LD s;
  if (ph.hi >= 0) {
    s = (ph.hi - kPiOver4) + (ph.lo - kPiOver4Low);
  } else {
    s = (ph.hi + kPiOver4) + (ph.lo + kPiOver4Low);
    m -= 1;
  }
  LD sine, c1;
  SinCos(s, &sine, &c1);
  // With chi = m pi/2 + s, J and Y are +-(P cos s - Q sin s) or
  // +-(P sin s + Q cos s); P and cos s near 1 are kept as 1 + their tails.
  LD hi, lo;
  const bool first = ((m & 1) != 0) == y;
  if (first) {  // 1 + (p + c1 + p c1 - q sin s)
    const LD tail = p + c1 + p * c1 - q * sine;
    hi = 1 + tail;
    lo = tail - (hi - 1);
  } else {  // sin s + q + (p sin s + q c1)
    hi = sine + q;
    const LD back = hi - sine;
    lo = ((sine - (hi - back)) + (q - back)) + (p * sine + q * c1);
  }
  // The signs: J takes + - - + and Y + + - - over m = 0 .. 3.
  const uint32_t k = m & 3;
  const bool negative = y ? k >= 2 : (k == 1 || k == 2);
  if (negative) hi = -hi, lo = -lo;
  if (x > 0x1p16000L) return kSqrtTwoOverPi * (hi + lo) / Sqrt(x);  // beyond the splitting's range
  return Amplitude(hi, lo, x);
}

// ---- The four functions for x > 0 ----------------------------------------

LD J0Of(LD x) {
  if (x < kTiny) {
    mathflag::Inexact();
    return 1;
  }
  if (x < kJ0Table.seriesUpTo) return Series(0, x, false);
  if (x < kAsymptoticFrom) return FromTable(kJ0Table, 0, x);
  return Asymptotic(0, x, false);
}
LD J1Of(LD x) {
  if (x < kTiny) {
    mathflag::Inexact();
    return x / 2;
  }
  if (x < kJ1Table.seriesUpTo) return x / 2 * Series(1, x, false);
  if (x < kAsymptoticFrom) return FromTable(kJ1Table, 1, x);
  return Asymptotic(1, x, false);
}
// Y0 = 2/pi ((ln(x/2) + gamma) J0 - sum H_k (-x^2/4)^k / k!^2)
LD Y0Of(LD x) {
  if (x < kTiny) return kTwoOverPi * (Ln(x / 2) + kEuler);
  if (x < kY0Table.seriesUpTo)
    return kTwoOverPi * ((Ln(x / 2) + kEuler) * Series(0, x, false) - Series(0, x, true));
  if (x < kAsymptoticFrom) return FromTable(kY0Table, 0, x);
  return Asymptotic(0, x, true);
}
// Y1 = 2/pi (ln(x/2) + gamma) J1 - 2/(pi x) - x/(2 pi) sum (H_k + H_{k+1}) (-x^2/4)^k / (k! (k+1)!)
LD Y1Of(LD x) {
  if (x < kTiny) return -kTwoOverPi / x;  // exact where x is a power of two, as there
  if (x < kY1Table.seriesUpTo) {
    const LD j1 = x / 2 * Series(1, x, false);
    return kTwoOverPi * (Ln(x / 2) + kEuler) * j1 - kTwoOverPi / x -
           kOneOverPi * (x / 2) * Series(1, x, true);
  }
  if (x < kAsymptoticFrom) return FromTable(kY1Table, 1, x);
  return Asymptotic(1, x, true);
}

// Powers of two beyond the exponent's reach, applied in steps.
LD TimesPowerOfTwo(LD v, int32_t steps, LD step) {
  for (int32_t i = 0; i < steps && v != 0; ++i) v *= step;
  return v;
}

// J_n, n >= 2, x > 0.
LD JnOf(uint32_t n, LD x) {
  if (x >= 0x1p64L) return Asymptotic(n, x, false);
  if (n <= x) {  // upward: stable while the order stays below x
    LD lower = J0Of(x), value = J1Of(x);
    for (uint32_t k = 1; k < n; ++k) {
      const LD next = (2.0L * k / x) * value - lower;
      lower = value;
      value = next;
    }
    return value;
  }
  // Beyond any long double: J_n(x) < (x/2)^n / n! < (e/8)^n.
  if (n > 12000 && n > 4 * x) return 0;
  if (x <= 2) {
    // (x/2)^n / n! sum over k of (-x^2/4)^k / (k! (n+1)..(n+k))
    LD lead = 1;
    const LD half = x / 2;
    for (uint32_t k = 1; k <= n && lead != 0; ++k) lead *= half / k;
    if (x < kTiny || lead == 0) return lead;
    const LD q = -(half * half);
    LD term = 1, sum = 1;
    for (uint32_t k = 1; k < 40; ++k) {
      term *= q / (static_cast<LD>(k) * (static_cast<LD>(n) + k));
      sum += term;
      if (Abs(term) < kEps) break;
    }
    return lead * sum;
  }
  // J_n / J_{n-1} = 1/(2n/x - 1/(2(n+1)/x - ...)), by Lentz's method.
  constexpr LD kFloor = 0x1p-8000L;
  LD f = 2.0L * n / x, c = f, d = 0;
  for (uint32_t j = 1; j < 1000000; ++j) {
    const LD b = 2.0L * (static_cast<LD>(n) + j) / x;
    d = b - d;
    if (d == 0) d = kFloor;
    c = b - 1 / c;
    if (c == 0) c = kFloor;
    d = 1 / d;
    const LD delta = c * d;
    f *= delta;
    if (Abs(delta - 1) < kEps) break;
  }
  const LD ratio = 1 / f;
  // Downward from (J_n, J_{n-1}) ~ (ratio, 1), rescaled on the way.
  LD upper = ratio, value = 1;
  int32_t scaled = 0;
  for (uint32_t k = n - 1; k > 0; --k) {
    const LD next = (2.0L * k / x) * value - upper;
    upper = value;
    value = next;
    if (Abs(value) > 0x1p8000L) {
      value *= 0x1p-8000L;
      upper *= 0x1p-8000L;
      ++scaled;
    }
  }
  // value ~ J_0, upper ~ J_1: normalise by the larger of the two.
  const LD j0 = J0Of(x), j1 = J1Of(x);
  const LD base = Abs(j0) >= Abs(j1) ? ratio * (j0 / value) : ratio * (j1 / upper);
  return TimesPowerOfTwo(base, scaled, 0x1p-8000L);
}

// Y_n, n >= 2, x > 0: upward, until it overflows.
constexpr LD kLargest = std::numeric_limits<LD>::max();
LD YnOf(uint32_t n, LD x) {
  if (x >= 0x1p64L) return Asymptotic(n, x, true);
  LD lower = Y0Of(x), value = Y1Of(x);
  for (uint32_t k = 1; k < n && Abs(value) <= kLargest; ++k) {
    const LD next = (2.0L * k / x) * value - lower;
    lower = value;
    value = next;
  }
  return value;
}

// ---- Rounding mode, precision and the caller's type ----------------------

// The computation rounds to nearest at 64 bits; the result is rounded to
// the caller's type in the caller's mode. Not inlined: the computation
// must happen between the two control words.
struct Computed {
  uint16_t saved;
};
Computed EnterNearest() {
  Computed c;
  __asm__ volatile("fnstcw %0" : "=m"(c.saved));
  const uint16_t cw = static_cast<uint16_t>((c.saved & ~0xf00u) | 0x300u);
  __asm__ volatile("fldcw %0" : : "m"(cw) : "memory");
  return c;
}

template <typename T>
bool IsNan(T x) { return x != x; }
template <typename T>
bool IsInf(T x) {
  return !IsNan(x) && (x > std::numeric_limits<T>::max() || x < -std::numeric_limits<T>::max());
}

// The result in T with the Linux C library's errno and flags. ERANGE where
// the result rounded to nearest overflows or vanishes, whatever the
// caller's mode makes of it (the largest number, the least subnormal);
// UNDERFLOW for every result below the normals. j1 alone sets ERANGE by the
// result in the caller's mode, as there.
template <typename T>
T Deliver(Computed c, LD r, bool byResult = false) {
  const volatile T nearest = static_cast<T>(r);
  __asm__ volatile("fldcw %1" : "+t"(r) : "m"(c.saved) : "memory");
  const volatile T stored = static_cast<T>(r);
  const T v = stored, n = nearest;
  const T ranged = byResult ? v : n;
  if (IsInf(ranged) || ranged == 0) SetErrno(linux::kERANGE);
  if (IsInf(v) || (IsInf(n) && v == v)) {
    mathflag::Overflow();
  } else if (v < std::numeric_limits<T>::min() && v > -std::numeric_limits<T>::min()) {
    mathflag::Underflow();
  }
  return v;
}

template <typename T>
T NanResult() {
  SetErrno(linux::kEDOM);
  const volatile T zero = 0;
  const volatile T invalid = zero / zero;  // raises INVALID
  (void)invalid;
  return std::numeric_limits<T>::quiet_NaN();  // positive, as there
}

enum class Kind { kJ0, kJ1, kY0, kY1 };

template <Kind K>
__attribute__((noinline, noipa)) LD Core(LD x) {
  if constexpr (K == Kind::kJ0) return J0Of(x);
  if constexpr (K == Kind::kJ1) return J1Of(x);
  if constexpr (K == Kind::kY0) return Y0Of(x);
  return Y1Of(x);
}
__attribute__((noinline, noipa)) LD CoreJn(uint32_t n, LD x) { return JnOf(n, x); }
__attribute__((noinline, noipa)) LD CoreYn(uint32_t n, LD x) { return YnOf(n, x); }

template <typename T>
T J0(T x) {
  if (IsNan(x)) return x + x;
  if (IsInf(x)) return 0;
  if (x == 0) return 1;
  const Computed c = EnterNearest();
  return Deliver<T>(c, Core<Kind::kJ0>(x < 0 ? -x : x));
}

// J_n, n of either sign: J_{-n}(x) = J_n(-x) = (-1)^n J_n(x).
template <typename T>
T Jn(int32_t order, T x) {
  if (IsNan(x)) return x + x;
  uint32_t n = static_cast<uint32_t>(order);
  if (order < 0) {
    n = 0u - n;
    x = -x;
  }
  if (n == 0) return J0(x);
  const bool negative = (n & 1) != 0 && (x < 0 || (x == 0 && __builtin_signbit(x)));
  if (IsInf(x) || x == 0) return negative ? -T(0) : T(0);
  const Computed c = EnterNearest();
  const LD ax = x < 0 ? -static_cast<LD>(x) : static_cast<LD>(x);
  const LD r = n == 1 ? Core<Kind::kJ1>(ax) : CoreJn(n, ax);
  return Deliver<T>(c, negative ? -r : r, n == 1);
}

// Y_n, n of either sign: Y_{-n} = (-1)^n Y_n. A pole at zero, NaN below.
template <typename T>
T Yn(int32_t order, T x) {
  if (IsNan(x)) return x + x;
  uint32_t n = static_cast<uint32_t>(order);
  if (order < 0) n = 0u - n;
  const bool negative = order < 0 && (n & 1) != 0;
  if (x < 0) return NanResult<T>();
  if (IsInf(x)) return 0;
  if (x == 0) {
    mathflag::DivByZero();
    SetErrno(linux::kERANGE);
    return negative ? std::numeric_limits<T>::infinity() : -std::numeric_limits<T>::infinity();
  }
  const Computed c = EnterNearest();
  const LD r = n == 0 ? Core<Kind::kY0>(x) : n == 1 ? Core<Kind::kY1>(x) : CoreYn(n, x);
  return Deliver<T>(c, negative ? -r : r);
}

}  // namespace
}  // namespace tblibc

extern "C" {
double tblibc_j0(double x) { return tblibc::J0(x); }
double tblibc_j1(double x) { return tblibc::Jn(1, x); }
double tblibc_jn(int32_t n, double x) { return tblibc::Jn(n, x); }
double tblibc_y0(double x) { return tblibc::Yn(0, x); }
double tblibc_y1(double x) { return tblibc::Yn(1, x); }
double tblibc_yn(int32_t n, double x) { return tblibc::Yn(n, x); }
float tblibc_j0f(float x) { return tblibc::J0(x); }
float tblibc_j1f(float x) { return tblibc::Jn(1, x); }
float tblibc_jnf(int32_t n, float x) { return tblibc::Jn(n, x); }
float tblibc_y0f(float x) { return tblibc::Yn(0, x); }
float tblibc_y1f(float x) { return tblibc::Yn(1, x); }
float tblibc_ynf(int32_t n, float x) { return tblibc::Yn(n, x); }
long double tblibc_j0l(long double x) { return tblibc::J0(x); }
long double tblibc_j1l(long double x) { return tblibc::Jn(1, x); }
long double tblibc_jnl(int32_t n, long double x) { return tblibc::Jn(n, x); }
long double tblibc_y0l(long double x) { return tblibc::Yn(0, x); }
long double tblibc_y1l(long double x) { return tblibc::Yn(1, x); }
long double tblibc_ynl(int32_t n, long double x) { return tblibc::Yn(n, x); }
}
