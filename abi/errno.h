// The Linux i386 error numbers with their names and the Linux C library's
// English texts, one row per number from 0 to the last the kernel defines.
// Numbers without a name (41, 58) keep their place so that a row's index is
// its number; their text is the library's "Unknown error N".
#pragma once

#include <cstdint>
#include <iterator>
#include <string_view>

namespace linux {

struct ErrnoRow {
  int32_t number;
  std::string_view name;
  std::string_view text;
};

constexpr ErrnoRow kErrnoTable[] = {
    {0, "", "Success"},
    {1, "EPERM", "Operation not permitted"},
    {2, "ENOENT", "No such file or directory"},
    {3, "ESRCH", "No such process"},
    {4, "EINTR", "Interrupted system call"},
    {5, "EIO", "Input/output error"},
    {6, "ENXIO", "No such device or address"},
    {7, "E2BIG", "Argument list too long"},
    {8, "ENOEXEC", "Exec format error"},
    {9, "EBADF", "Bad file descriptor"},
    {10, "ECHILD", "No child processes"},
    {11, "EAGAIN", "Resource temporarily unavailable"},
    {12, "ENOMEM", "Cannot allocate memory"},
    {13, "EACCES", "Permission denied"},
    {14, "EFAULT", "Bad address"},
    {15, "ENOTBLK", "Block device required"},
    {16, "EBUSY", "Device or resource busy"},
    {17, "EEXIST", "File exists"},
    {18, "EXDEV", "Invalid cross-device link"},
    {19, "ENODEV", "No such device"},
    {20, "ENOTDIR", "Not a directory"},
    {21, "EISDIR", "Is a directory"},
    {22, "EINVAL", "Invalid argument"},
    {23, "ENFILE", "Too many open files in system"},
    {24, "EMFILE", "Too many open files"},
    {25, "ENOTTY", "Inappropriate ioctl for device"},
    {26, "ETXTBSY", "Text file busy"},
    {27, "EFBIG", "File too large"},
    {28, "ENOSPC", "No space left on device"},
    {29, "ESPIPE", "Illegal seek"},
    {30, "EROFS", "Read-only file system"},
    {31, "EMLINK", "Too many links"},
    {32, "EPIPE", "Broken pipe"},
    {33, "EDOM", "Numerical argument out of domain"},
    {34, "ERANGE", "Numerical result out of range"},
    {35, "EDEADLK", "Resource deadlock avoided"},
    {36, "ENAMETOOLONG", "File name too long"},
    {37, "ENOLCK", "No locks available"},
    {38, "ENOSYS", "Function not implemented"},
    {39, "ENOTEMPTY", "Directory not empty"},
    {40, "ELOOP", "Too many levels of symbolic links"},
    {41, "", "Unknown error 41"},
    {42, "ENOMSG", "No message of desired type"},
    {43, "EIDRM", "Identifier removed"},
    {44, "ECHRNG", "Channel number out of range"},
    {45, "EL2NSYNC", "Level 2 not synchronized"},
    {46, "EL3HLT", "Level 3 halted"},
    {47, "EL3RST", "Level 3 reset"},
    {48, "ELNRNG", "Link number out of range"},
    {49, "EUNATCH", "Protocol driver not attached"},
    {50, "ENOCSI", "No CSI structure available"},
    {51, "EL2HLT", "Level 2 halted"},
    {52, "EBADE", "Invalid exchange"},
    {53, "EBADR", "Invalid request descriptor"},
    {54, "EXFULL", "Exchange full"},
    {55, "ENOANO", "No anode"},
    {56, "EBADRQC", "Invalid request code"},
    {57, "EBADSLT", "Invalid slot"},
    {58, "", "Unknown error 58"},
    {59, "EBFONT", "Bad font file format"},
    {60, "ENOSTR", "Device not a stream"},
    {61, "ENODATA", "No data available"},
    {62, "ETIME", "Timer expired"},
    {63, "ENOSR", "Out of streams resources"},
    {64, "ENONET", "Machine is not on the network"},
    {65, "ENOPKG", "Package not installed"},
    {66, "EREMOTE", "Object is remote"},
    {67, "ENOLINK", "Link has been severed"},
    {68, "EADV", "Advertise error"},
    {69, "ESRMNT", "Srmount error"},
    {70, "ECOMM", "Communication error on send"},
    {71, "EPROTO", "Protocol error"},
    {72, "EMULTIHOP", "Multihop attempted"},
    {73, "EDOTDOT", "RFS specific error"},
    {74, "EBADMSG", "Bad message"},
    {75, "EOVERFLOW", "Value too large for defined data type"},
    {76, "ENOTUNIQ", "Name not unique on network"},
    {77, "EBADFD", "File descriptor in bad state"},
    {78, "EREMCHG", "Remote address changed"},
    {79, "ELIBACC", "Can not access a needed shared library"},
    {80, "ELIBBAD", "Accessing a corrupted shared library"},
    {81, "ELIBSCN", ".lib section in a.out corrupted"},
    {82, "ELIBMAX", "Attempting to link in too many shared libraries"},
    {83, "ELIBEXEC", "Cannot exec a shared library directly"},
    {84, "EILSEQ", "Invalid or incomplete multibyte or wide character"},
    {85, "ERESTART", "Interrupted system call should be restarted"},
    {86, "ESTRPIPE", "Streams pipe error"},
    {87, "EUSERS", "Too many users"},
    {88, "ENOTSOCK", "Socket operation on non-socket"},
    {89, "EDESTADDRREQ", "Destination address required"},
    {90, "EMSGSIZE", "Message too long"},
    {91, "EPROTOTYPE", "Protocol wrong type for socket"},
    {92, "ENOPROTOOPT", "Protocol not available"},
    {93, "EPROTONOSUPPORT", "Protocol not supported"},
    {94, "ESOCKTNOSUPPORT", "Socket type not supported"},
    {95, "EOPNOTSUPP", "Operation not supported"},
    {96, "EPFNOSUPPORT", "Protocol family not supported"},
    {97, "EAFNOSUPPORT", "Address family not supported by protocol"},
    {98, "EADDRINUSE", "Address already in use"},
    {99, "EADDRNOTAVAIL", "Cannot assign requested address"},
    {100, "ENETDOWN", "Network is down"},
    {101, "ENETUNREACH", "Network is unreachable"},
    {102, "ENETRESET", "Network dropped connection on reset"},
    {103, "ECONNABORTED", "Software caused connection abort"},
    {104, "ECONNRESET", "Connection reset by peer"},
    {105, "ENOBUFS", "No buffer space available"},
    {106, "EISCONN", "Transport endpoint is already connected"},
    {107, "ENOTCONN", "Transport endpoint is not connected"},
    {108, "ESHUTDOWN", "Cannot send after transport endpoint shutdown"},
    {109, "ETOOMANYREFS", "Too many references: cannot splice"},
    {110, "ETIMEDOUT", "Connection timed out"},
    {111, "ECONNREFUSED", "Connection refused"},
    {112, "EHOSTDOWN", "Host is down"},
    {113, "EHOSTUNREACH", "No route to host"},
    {114, "EALREADY", "Operation already in progress"},
    {115, "EINPROGRESS", "Operation now in progress"},
    {116, "ESTALE", "Stale file handle"},
    {117, "EUCLEAN", "Structure needs cleaning"},
    {118, "ENOTNAM", "Not a XENIX named type file"},
    {119, "ENAVAIL", "No XENIX semaphores available"},
    {120, "EISNAM", "Is a named type file"},
    {121, "EREMOTEIO", "Remote I/O error"},
    {122, "EDQUOT", "Disk quota exceeded"},
    {123, "ENOMEDIUM", "No medium found"},
    {124, "EMEDIUMTYPE", "Wrong medium type"},
    {125, "ECANCELED", "Operation canceled"},
    {126, "ENOKEY", "Required key not available"},
    {127, "EKEYEXPIRED", "Key has expired"},
    {128, "EKEYREVOKED", "Key has been revoked"},
    {129, "EKEYREJECTED", "Key was rejected by service"},
    {130, "EOWNERDEAD", "Owner died"},
    {131, "ENOTRECOVERABLE", "State not recoverable"},
    {132, "ERFKILL", "Operation not possible due to RF-kill"},
    {133, "EHWPOISON", "Memory page has hardware error"},
};
static_assert(std::size(kErrnoTable) == 134);

constexpr bool RowsInOrder() {
  for (size_t i = 0; i < std::size(kErrnoTable); ++i)
    if (kErrnoTable[i].number != static_cast<int32_t>(i)) return false;
  return true;
}
static_assert(RowsInOrder());


constexpr int32_t kEPERM = 1;
constexpr int32_t kENOENT = 2;
constexpr int32_t kESRCH = 3;
constexpr int32_t kEINTR = 4;
constexpr int32_t kEIO = 5;
constexpr int32_t kENXIO = 6;
constexpr int32_t kE2BIG = 7;
constexpr int32_t kENOEXEC = 8;
constexpr int32_t kEBADF = 9;
constexpr int32_t kECHILD = 10;
constexpr int32_t kEAGAIN = 11;
constexpr int32_t kENOMEM = 12;
constexpr int32_t kEACCES = 13;
constexpr int32_t kEFAULT = 14;
constexpr int32_t kENOTBLK = 15;
constexpr int32_t kEBUSY = 16;
constexpr int32_t kEEXIST = 17;
constexpr int32_t kEXDEV = 18;
constexpr int32_t kENODEV = 19;
constexpr int32_t kENOTDIR = 20;
constexpr int32_t kEISDIR = 21;
constexpr int32_t kEINVAL = 22;
constexpr int32_t kENFILE = 23;
constexpr int32_t kEMFILE = 24;
constexpr int32_t kENOTTY = 25;
constexpr int32_t kETXTBSY = 26;
constexpr int32_t kEFBIG = 27;
constexpr int32_t kENOSPC = 28;
constexpr int32_t kESPIPE = 29;
constexpr int32_t kEROFS = 30;
constexpr int32_t kEMLINK = 31;
constexpr int32_t kEPIPE = 32;
constexpr int32_t kEDOM = 33;
constexpr int32_t kERANGE = 34;
constexpr int32_t kEDEADLK = 35;
constexpr int32_t kENAMETOOLONG = 36;
constexpr int32_t kENOLCK = 37;
constexpr int32_t kENOSYS = 38;
constexpr int32_t kENOTEMPTY = 39;
constexpr int32_t kELOOP = 40;
constexpr int32_t kENOMSG = 42;
constexpr int32_t kEIDRM = 43;
constexpr int32_t kECHRNG = 44;
constexpr int32_t kEL2NSYNC = 45;
constexpr int32_t kEL3HLT = 46;
constexpr int32_t kEL3RST = 47;
constexpr int32_t kELNRNG = 48;
constexpr int32_t kEUNATCH = 49;
constexpr int32_t kENOCSI = 50;
constexpr int32_t kEL2HLT = 51;
constexpr int32_t kEBADE = 52;
constexpr int32_t kEBADR = 53;
constexpr int32_t kEXFULL = 54;
constexpr int32_t kENOANO = 55;
constexpr int32_t kEBADRQC = 56;
constexpr int32_t kEBADSLT = 57;
constexpr int32_t kEBFONT = 59;
constexpr int32_t kENOSTR = 60;
constexpr int32_t kENODATA = 61;
constexpr int32_t kETIME = 62;
constexpr int32_t kENOSR = 63;
constexpr int32_t kENONET = 64;
constexpr int32_t kENOPKG = 65;
constexpr int32_t kEREMOTE = 66;
constexpr int32_t kENOLINK = 67;
constexpr int32_t kEADV = 68;
constexpr int32_t kESRMNT = 69;
constexpr int32_t kECOMM = 70;
constexpr int32_t kEPROTO = 71;
constexpr int32_t kEMULTIHOP = 72;
constexpr int32_t kEDOTDOT = 73;
constexpr int32_t kEBADMSG = 74;
constexpr int32_t kEOVERFLOW = 75;
constexpr int32_t kENOTUNIQ = 76;
constexpr int32_t kEBADFD = 77;
constexpr int32_t kEREMCHG = 78;
constexpr int32_t kELIBACC = 79;
constexpr int32_t kELIBBAD = 80;
constexpr int32_t kELIBSCN = 81;
constexpr int32_t kELIBMAX = 82;
constexpr int32_t kELIBEXEC = 83;
constexpr int32_t kEILSEQ = 84;
constexpr int32_t kERESTART = 85;
constexpr int32_t kESTRPIPE = 86;
constexpr int32_t kEUSERS = 87;
constexpr int32_t kENOTSOCK = 88;
constexpr int32_t kEDESTADDRREQ = 89;
constexpr int32_t kEMSGSIZE = 90;
constexpr int32_t kEPROTOTYPE = 91;
constexpr int32_t kENOPROTOOPT = 92;
constexpr int32_t kEPROTONOSUPPORT = 93;
constexpr int32_t kESOCKTNOSUPPORT = 94;
constexpr int32_t kEOPNOTSUPP = 95;
constexpr int32_t kEPFNOSUPPORT = 96;
constexpr int32_t kEAFNOSUPPORT = 97;
constexpr int32_t kEADDRINUSE = 98;
constexpr int32_t kEADDRNOTAVAIL = 99;
constexpr int32_t kENETDOWN = 100;
constexpr int32_t kENETUNREACH = 101;
constexpr int32_t kENETRESET = 102;
constexpr int32_t kECONNABORTED = 103;
constexpr int32_t kECONNRESET = 104;
constexpr int32_t kENOBUFS = 105;
constexpr int32_t kEISCONN = 106;
constexpr int32_t kENOTCONN = 107;
constexpr int32_t kESHUTDOWN = 108;
constexpr int32_t kETOOMANYREFS = 109;
constexpr int32_t kETIMEDOUT = 110;
constexpr int32_t kECONNREFUSED = 111;
constexpr int32_t kEHOSTDOWN = 112;
constexpr int32_t kEHOSTUNREACH = 113;
constexpr int32_t kEALREADY = 114;
constexpr int32_t kEINPROGRESS = 115;
constexpr int32_t kESTALE = 116;
constexpr int32_t kEUCLEAN = 117;
constexpr int32_t kENOTNAM = 118;
constexpr int32_t kENAVAIL = 119;
constexpr int32_t kEISNAM = 120;
constexpr int32_t kEREMOTEIO = 121;
constexpr int32_t kEDQUOT = 122;
constexpr int32_t kENOMEDIUM = 123;
constexpr int32_t kEMEDIUMTYPE = 124;
constexpr int32_t kECANCELED = 125;
constexpr int32_t kENOKEY = 126;
constexpr int32_t kEKEYEXPIRED = 127;
constexpr int32_t kEKEYREVOKED = 128;
constexpr int32_t kEKEYREJECTED = 129;
constexpr int32_t kEOWNERDEAD = 130;
constexpr int32_t kENOTRECOVERABLE = 131;
constexpr int32_t kERFKILL = 132;
constexpr int32_t kEHWPOISON = 133;
constexpr int32_t kEWOULDBLOCK = kEAGAIN;
constexpr int32_t kENOTSUP = kEOPNOTSUPP;

}  // namespace linux
