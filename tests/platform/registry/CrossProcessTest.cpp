#include "RegistryFixture.h"

#include "linux/registry/RegistryCall.h"
#include "linux/registry/RegistryMemo.h"

#include <csignal>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace quenvar::testing {
namespace {

class CrossProcess : public RegistryTest {
protected:
    // Reads stamps around a read, an own write, another process's write and a reopening; every
    // stamp must come from shared memory, or every one from a transaction.
    void CheckStampChanges(bool fromSharedMemory);
};

// Runs `body` in a child process; the child's exit code is 0 when it answers true.
template <typename Body>
pid_t Spawn(Body body)
{
    const pid_t child = fork();
    if (child == 0) _exit(body() ? 0 : 1);
    return child;
}

int ExitCode(pid_t child)
{
    int status = 0;
    if (waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool Register(const std::string& path, DWORD number)
{
    HKEY key = nullptr;
    const bool done = RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                      nullptr) == ERROR_SUCCESS &&
                      RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                     sizeof number) == ERROR_SUCCESS;
    RegCloseKey(key);
    return done;
}

TEST_F(CrossProcess, TwoProcessesRegisteringAtOnceBothSucceed)
{
    constexpr int kKeys = 40;
    // Neither process has opened the file yet: they also race to create it.
    pid_t children[2];
    for (int p = 0; p < 2; ++p) {
        children[p] = Spawn([p] {
            bool done = true;
            for (int k = 0; k < kKeys; ++k) {
                done = Register("Shared\\P" + std::to_string(p) + "\\K" + std::to_string(k), k) && done;
                done = Register("Shared", p) && done;
            }
            return done;
        });
        ASSERT_NE(children[p], -1);
    }
    EXPECT_EQ(ExitCode(children[0]), 0);
    EXPECT_EQ(ExitCode(children[1]), 0);
    for (const char* path : {"Shared\\P0", "Shared\\P1"}) {
        UniqueKey key;
        ASSERT_EQ(Open(HKEY_CLASSES_ROOT, path, key), ERROR_SUCCESS);
        EXPECT_EQ(CountsOf(key.get()).subkeys, static_cast<DWORD>(kKeys));
    }
    UniqueKey shared;
    ASSERT_EQ(Open(HKEY_CLASSES_ROOT, "Shared", shared), ERROR_SUCCESS);
    EXPECT_EQ(CountsOf(shared.get()).subkeys, 2u);
    EXPECT_EQ(CountsOf(shared.get()).values, 1u);
}

TEST_F(CrossProcess, KilledWriterLeavesEveryFinishedCallIntact)
{
    int reports[2];
    ASSERT_EQ(pipe(reports), 0);
    const pid_t writer = Spawn([&] {
        close(reports[0]);
        for (int k = 0;; ++k) {
            if (!Register("Killed\\K" + std::to_string(k), k)) return false;
            if (write(reports[1], &k, sizeof k) != sizeof k) return false;
        }
    });
    ASSERT_NE(writer, -1);
    close(reports[1]);
    int finished = -1;
    for (int k; finished < 30 && read(reports[0], &k, sizeof k) == sizeof k;) finished = k;
    kill(writer, SIGKILL);
    EXPECT_EQ(ExitCode(writer), 128 + SIGKILL);
    close(reports[0]);
    ASSERT_GE(finished, 30);
    for (int k = 0; k <= finished; ++k) {
        UniqueKey key;
        ASSERT_EQ(Open(HKEY_CLASSES_ROOT, ("Killed\\K" + std::to_string(k)).c_str(), key), ERROR_SUCCESS) << k;
        DWORD number = ~0u;
        DWORD size = sizeof number;
        ASSERT_EQ(RegQueryValueExA(key.get(), "Number", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(number, static_cast<DWORD>(k));
    }
    EXPECT_TRUE(Register("Killed\\After", 1));
}

TEST_F(CrossProcess, ForkedChildUsesItsOwnConnectionAndParentSeesItsChanges)
{
    UniqueKey kept = Create(HKEY_CLASSES_ROOT, "Kept");
    UniqueKey victim = Create(HKEY_CLASSES_ROOT, "Victim");
    ASSERT_EQ(SetString(kept.get(), "Before", "parent"), ERROR_SUCCESS);  // the parent's connection is open
    const pid_t child = Spawn([&] {
        // Handles are inherited; the connection is not.
        return SetString(kept.get(), "Child", "child") == ERROR_SUCCESS &&
               QueryString(kept.get(), "Before") == "parent" &&
               RegDeleteKeyA(HKEY_CLASSES_ROOT, "Victim") == ERROR_SUCCESS;
    });
    ASSERT_NE(child, -1);
    EXPECT_EQ(ExitCode(child), 0);
    EXPECT_EQ(QueryString(kept.get(), "Child"), "child");
    EXPECT_EQ(SetString(victim.get(), "Late", "x"), ERROR_KEY_DELETED);
    EXPECT_EQ(SetString(kept.get(), "After", "parent"), ERROR_SUCCESS);
}

// Another process that sets string values when told to. It is made before the test's own
// connection opens, so that this connection stays open across its writes: a fork closes it, and
// a reopening alone would already change every stamp.
class OtherProcess {
public:
    OtherProcess()
    {
        int commands[2], answers[2];
        if (pipe(commands) != 0 || pipe(answers) != 0) return;
        child_ = Spawn([&] {
            close(commands[1]);
            close(answers[0]);
            for (Command command; read(commands[0], &command, sizeof command) == sizeof command;) {
                UniqueKey key;
                const bool done =
                    RegCreateKeyExA(HKEY_CLASSES_ROOT, command.key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                    nullptr) == ERROR_SUCCESS &&
                    RegSetValueExA(key.get(), "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.text),
                                   static_cast<DWORD>(std::strlen(command.text) + 1)) == ERROR_SUCCESS;
                const char answer = done ? 1 : 0;
                if (write(answers[1], &answer, 1) != 1) return false;
            }
            return true;
        });
        close(commands[0]);
        close(answers[1]);
        commands_ = commands[1];
        answers_ = answers[0];
    }
    ~OtherProcess()
    {
        close(commands_);
        close(answers_);
        EXPECT_EQ(ExitCode(child_), 0);
    }
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;

    // Sets the value "Text" of HKCR\`key` in the other process; true once it has committed.
    bool SetText(const char* key, const char* text)
    {
        Command command{};
        std::strncpy(command.key, key, sizeof command.key - 1);
        std::strncpy(command.text, text, sizeof command.text - 1);
        char done = 0;
        return write(commands_, &command, sizeof command) == sizeof command && read(answers_, &done, 1) == 1 &&
               done != 0;
    }

private:
    struct Command {
        char key[64];
        char text[64];
    };
    pid_t child_ = -1;
    int commands_ = -1;
    int answers_ = -1;
};

void CrossProcess::CheckStampChanges(bool fromSharedMemory)
{
    using platform::ReadRegistryStamp;
    using platform::RegistryStamp;
    OtherProcess other;
    UniqueKey key = Create(HKEY_CLASSES_ROOT, "Stamped");
    RegistryStamp before, after;
    ASSERT_EQ(ReadRegistryStamp(before), ERROR_SUCCESS);
    EXPECT_EQ(before.fromSharedMemory, fromSharedMemory);
    EXPECT_EQ(QueryString(key.get(), "Missing"), std::nullopt);  // reading changes nothing
    ASSERT_EQ(ReadRegistryStamp(after), ERROR_SUCCESS);
    EXPECT_EQ(after, before);

    ASSERT_EQ(SetString(key.get(), "Own", "parent"), ERROR_SUCCESS);
    ASSERT_EQ(ReadRegistryStamp(after), ERROR_SUCCESS);
    EXPECT_NE(after, before);

    before = after;
    ASSERT_TRUE(other.SetText("Stamped", "other"));
    ASSERT_EQ(ReadRegistryStamp(after), ERROR_SUCCESS);
    EXPECT_NE(after, before);
    // Seen through the other process's commit alone.
    EXPECT_EQ(after.connection, before.connection);
    EXPECT_EQ(after.ownWrites, before.ownWrites);
    EXPECT_EQ(after.fromSharedMemory, fromSharedMemory);

    // Another registry file, or the same one opened again, is another registry.
    before = after;
    key.reset();
    platform::ResetRegistry();
    ASSERT_EQ(ReadRegistryStamp(after), ERROR_SUCCESS);
    EXPECT_NE(after, before);
}

TEST_F(CrossProcess, StampChangesWithEveryWriteWhoeverMakesIt) { CheckStampChanges(/*fromSharedMemory=*/true); }

TEST_F(CrossProcess, StampFallsBackToATransactionWithoutSharedMemory)
{
    // Armed for the opening after the other process's fork, which closes this one's connection.
    const ScopedFault unmapped("WalIndexMap", 1, ERROR_NOT_SUPPORTED);
    CheckStampChanges(/*fromSharedMemory=*/false);
    EXPECT_TRUE(FaultFired("WalIndexMap"));
}

// What activation and type library loading rely on: a value kept while nothing changes, read
// again at the first lookup after a write of another process or of this one.
TEST_F(CrossProcess, MemoSeesEveryRegistrationAtTheNextLookup)
{
    OtherProcess other;
    platform::RegistryMemo<std::string> memo;
    int reads = 0;
    const auto lookup = [&] {
        std::string value;
        const LONG result = memo.Lookup("Memo", value, [&](std::string& read) -> LONG {
            ++reads;
            UniqueKey key;
            const LONG status = Open(HKEY_CLASSES_ROOT, "Memo", key, KEY_READ);
            if (status == ERROR_SUCCESS) read = QueryString(key.get(), "Text").value_or("");
            return status;
        });
        return result == ERROR_SUCCESS ? value : "not found";
    };
    EXPECT_EQ(lookup(), "not found");
    ASSERT_TRUE(other.SetText("Memo", "first"));
    EXPECT_EQ(lookup(), "first");
    EXPECT_EQ(lookup(), "first");
    EXPECT_EQ(reads, 2);  // the second was kept

    ASSERT_TRUE(other.SetText("Memo", "second"));
    EXPECT_EQ(lookup(), "second");

    UniqueKey own;
    ASSERT_EQ(Open(HKEY_CLASSES_ROOT, "Memo", own), ERROR_SUCCESS);
    ASSERT_EQ(SetString(own.get(), "Text", "own"), ERROR_SUCCESS);
    EXPECT_EQ(lookup(), "own");
    EXPECT_EQ(lookup(), "own");
    EXPECT_EQ(reads, 4);
}

}  // namespace
}  // namespace quenvar::testing
