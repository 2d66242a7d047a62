#include "component/ErrorText.h"

#include "component/AnsiText.h"

namespace quenvar {
namespace {

constexpr char kShortFormat[] = "%s error %d\n ";
constexpr char kNoResponseBlock[] = "Unable to allocate memory to display Internet error code. Error code: ";
constexpr char kNoResponseText[] = "Unable to get Intrnet error. Error code: ";
constexpr char kNoCombinedBlock[] = "Unable to allocate memory. Error code: ";

// wsprintfA writes at most this many bytes, its NUL included, so any label fits, and the longest
// notice with the longest code and its line feed fit after it.
constexpr int kFormatLimit = 1024;
constexpr int kCodeDigits = 12;
constexpr int kTextSize = kFormatLimit + sizeof kNoResponseBlock + kCodeDigits + 1;

// Appends the notice, the thread's last error as it is now and a line feed, and stores the result.
void StoreNotice(char* text, const char* notice, UniqueBstr& errorInfo) noexcept
{
    const DWORD error = GetLastError();
    char digits[kCodeDigits];
    wsprintfA(digits, "%d", static_cast<int>(error));
    lstrcatA(text, notice);
    lstrcatA(text, digits);
    lstrcatA(text, "\n");
    AssignAnsiText(errorInfo, text);
}

}  // namespace

void ComposeErrorText(DWORD code, const char* label, UniqueBstr& errorInfo) noexcept
{
    char text[kTextSize] = {};
    wsprintfA(text, kShortFormat, label, static_cast<int>(code));
    if (code != ERROR_INTERNET_EXTENDED_ERROR) return AssignAnsiText(errorInfo, text);

    DWORD responseError = 0;
    DWORD size = 0;
    InternetGetLastResponseInfoA(&responseError, /*buffer=*/nullptr, &size);
    if (size == 0) return AssignAnsiText(errorInfo, text);

    // One byte beyond the size asked for stays NUL, so the text ends inside the block whatever
    // the client wrote.
    UniqueLocalMemory response(LocalAlloc(LMEM_ZEROINIT, SIZE_T{size} + 1));
    if (!response) return StoreNotice(text, kNoResponseBlock, errorInfo);
    char* responseText = static_cast<char*>(response.get());
    if (!InternetGetLastResponseInfoA(&responseError, responseText, &size)) {
        return StoreNotice(text, kNoResponseText, errorInfo);
    }
    const SIZE_T combinedSize = SIZE_T(lstrlenA(responseText)) + SIZE_T(lstrlenA(text)) + 1;
    UniqueLocalMemory combined(LocalAlloc(LMEM_ZEROINIT, combinedSize));
    if (!combined) return StoreNotice(text, kNoCombinedBlock, errorInfo);
    char* combinedText = static_cast<char*>(combined.get());
    lstrcpyA(combinedText, text);
    lstrcatA(combinedText, responseText);
    response.reset();
    AssignAnsiText(errorInfo, combinedText);
}

}  // namespace quenvar
