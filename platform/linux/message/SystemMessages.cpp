// Texts of every status code that the platform layer, the component and the tools can report,
// kept sorted by code. The Internet client's codes (12001 to 12175) share the table, so a client
// needs no separate message module for them.
#include "linux/message/SystemMessages.h"

#include <algorithm>
#include <iterator>

namespace quenvar::platform {
namespace {

struct SystemMessage {
    DWORD code;
    const char* text;
};

constexpr SystemMessage kMessages[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {11, "An attempt was made to load a program with an incorrect format."},
    {13, "The data is invalid."},
    {14, "Not enough memory resources are available to complete this operation."},
    {29, "The system cannot write to the specified device."},
    {30, "The system cannot read from the specified device."},
    {50, "The request is not supported."},
    {87, "The parameter is incorrect."},
    {120, "This function is not supported on this system."},
    {122, "The data area passed to a system call is too small."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {126, "The specified module could not be found."},
    {127, "The specified procedure could not be found."},
    {193, "%1 is not a valid Win32 application."},
    {206, "The filename or extension is too long."},
    {234, "More data is available."},
    {259, "No more data is available."},
    {317, "The system cannot find message text for message number 0x%1 in the message file for %2."},
    {1006, "The volume for a file has been externally altered so that the opened file is no longer valid."},
    {1009, "The configuration registry database is corrupt."},
    {1010, "The configuration registry key is invalid."},
    {1011, "The configuration registry key could not be opened."},
    {1012, "The configuration registry key could not be read."},
    {1013, "The configuration registry key could not be written."},
    {1015,
     "The registry is corrupted. The structure of one of the files containing registry data is corrupted, "
     "or the system's memory image of the file is corrupted, or the file could not be recovered because "
     "the alternate copy or log was absent or corrupted."},
    {1016,
     "An I/O operation initiated by the registry failed unrecoverably. The registry could not read in, or "
     "write out, or flush, one of the files that contain the system's image of the registry."},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion."},
    {1021, "Cannot create a stable subkey under a volatile parent key."},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code page."},
    {1450, "Insufficient system resources exist to complete the requested service."},
    {1812, "The specified image file did not contain a resource section."},
    {1813, "The specified resource type cannot be found in the image file."},
    {1814, "The specified resource name cannot be found in the image file."},
    {1815, "The specified resource language ID cannot be found in the image file."},
    {12001, "No more Internet handles can be allocated"},
    {12002, "The operation timed out"},
    {12003, "The server returned extended information"},
    {12004, "An internal error occurred in the Internet client"},
    {12005, "The URL is invalid"},
    {12006, "The URL does not use a recognized protocol"},
    {12007, "The server name or address could not be resolved"},
    {12008, "A protocol with the required capabilities was not found"},
    {12009, "The option is invalid"},
    {12010, "The length is incorrect for the option type"},
    {12011, "The option value cannot be set"},
    {12012, "Internet client support has been shut down"},
    {12013, "The user name was not allowed"},
    {12014, "The password was not allowed"},
    {12015, "The login request was denied"},
    {12016, "The requested operation is invalid"},
    {12017, "The operation has been canceled"},
    {12018, "The supplied handle is the wrong type for the requested operation"},
    {12019, "The handle is in the wrong state for the requested operation"},
    {12020, "The request cannot be made on a Proxy session"},
    {12021, "The registry value could not be found"},
    {12022, "The registry parameter is incorrect"},
    {12023, "Direct Internet access is not available"},
    {12024, "No context value was supplied"},
    {12025, "No status callback was supplied"},
    {12026, "There are outstanding requests"},
    {12027, "The information format is incorrect"},
    {12028, "The requested item could not be found"},
    {12029, "A connection with the server could not be established"},
    {12030, "The connection with the server was terminated abnormally"},
    {12031, "The connection with the server was reset"},
    {12032, "The action must be retried"},
    {12033, "The proxy request is invalid"},
    {12034, "User interaction is required to complete the operation"},
    {12036, "The handle already exists"},
    {12037, "The date in the certificate is invalid or has expired"},
    {12038, "The host name in the certificate is invalid or does not match"},
    {12039, "A redirect request will change a non-secure to a secure connection"},
    {12040, "A redirect request will change a secure to a non-secure connection"},
    {12041, "Mixed secure and non-secure connections"},
    {12042, "Changing to non-secure post"},
    {12043, "Data is being posted on a non-secure connection"},
    {12044, "A certificate is required to complete client authentication"},
    {12045, "The certificate authority is invalid or incorrect"},
    {12046, "Client authentication has not been correctly installed"},
    {12048, "The protocol scheme has changed during a redirect operation"},
    {12150, "The requested header was not found"},
    {12151, "The server does not support the requested protocol level"},
    {12152, "The server returned an invalid or unrecognized response"},
    {12153, "The supplied HTTP header is invalid"},
    {12154, "The request for a HTTP header is invalid"},
    {12155, "The HTTP header already exists"},
    {12156, "The HTTP redirect request failed"},
    {12157, "An error occurred in the secure channel support"},
    {12159, "The TCP/IP protocol is not installed properly"},
    {12160, "The HTTP request was not redirected"},
    {12163, "The computer is disconnected from the network"},
    {12164, "The server is unreachable"},
    {12165, "The proxy server is unreachable"},
    {12169, "The supplied certificate is invalid"},
    {12170, "The supplied certificate has been revoked"},
    {12172, "The Internet client has not been initialized"},
    {12175, "Content decoding has failed"},
    {0x80004001, "Not implemented"},
    {0x80004002, "No such interface supported"},
    {0x80004003, "Invalid pointer"},
    {0x80004004, "Operation aborted"},
    {0x80004005, "Unspecified error"},
    {0x8000FFFF, "Catastrophic failure"},
    {0x80010106, "Cannot change thread mode after it is set."},
    {0x80020001, "Unknown interface."},
    {0x80020003, "Member not found."},
    {0x80020004, "Parameter not found."},
    {0x80020005, "Type mismatch."},
    {0x80020006, "Unknown name."},
    {0x80020007, "No named arguments."},
    {0x80020008, "Bad variable type."},
    {0x80020009, "Exception occurred."},
    {0x8002000A, "Out of present range."},
    {0x8002000B, "Invalid index."},
    {0x8002000C, "Unknown language."},
    {0x8002000D, "Memory is locked."},
    {0x8002000E, "Invalid number of parameters."},
    {0x8002000F, "Parameter not optional."},
    {0x80028018, "Old format or invalid type library."},
    {0x80028019, "Old format or invalid type library."},
    {0x8002801C, "Error accessing the OLE registry."},
    {0x8002801D, "Library not registered."},
    {0x80028029, "Invalid forward reference, or reference to uncompiled type."},
    {0x8002802B, "Element not found."},
    {0x80028CA2, "I/O error."},
    {0x80029C4A, "Error loading type library/DLL."},
    {0x80030002, "%1 could not be found."},
    {0x80040110, "Class does not support aggregation (or class object is remote)"},
    {0x80040111, "ClassFactory cannot supply requested class"},
    {0x80040150, "Could not read key from registry"},
    {0x80040151, "Could not write key to registry"},
    {0x80040154, "Class not registered"},
    {0x800401F0, "CoInitialize has not been called."},
    {0x800401F3, "Invalid class string"},
    {0x800401F8, "DLL for class not found"},
    {0x800401F9, "Error in the DLL"},
};

static_assert(std::is_sorted(std::begin(kMessages), std::end(kMessages),
                             [](const SystemMessage& a, const SystemMessage& b) { return a.code < b.code; }),
              "the table is searched by halves");

const char* Lookup(DWORD code) noexcept
{
    const auto found = std::lower_bound(std::begin(kMessages), std::end(kMessages), code,
                                        [](const SystemMessage& message, DWORD value) { return message.code < value; });
    return found != std::end(kMessages) && found->code == code ? found->text : nullptr;
}

}  // namespace

const char* FindSystemMessage(DWORD messageId) noexcept
{
    if (const char* text = Lookup(messageId)) return text;
    const auto hr = static_cast<HRESULT>(messageId);
    return FAILED(hr) && HRESULT_FACILITY(hr) == FACILITY_WIN32 ? Lookup(HRESULT_CODE(hr)) : nullptr;
}

}  // namespace quenvar::platform
