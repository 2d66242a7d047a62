#include "RegistryFixture.h"

#include "linux/registry/RegistryStamp.h"
#include "linux/registry/WalIndex.h"

#include <array>
#include <cstdint>
#include <fcntl.h>
#include <unistd.h>

namespace quenvar::testing {
namespace {

using platform::ReadWalIndexChange;
using platform::WalIndexChange;

// The two copies of the WAL-index header, 48 bytes each.
using HeaderCopies = std::array<std::uint32_t, 24>;
constexpr std::size_t kSecondCopy = 12;
constexpr std::size_t kChangeWord = 2;

class WalIndex : public RegistryTest {
protected:
    // The header as SQLite wrote it into the registry's shared memory file.
    HeaderCopies WrittenHeader()
    {
        HeaderCopies header{};
        const int file = open((registry_.File() + "-shm").c_str(), O_RDONLY | O_CLOEXEC);
        EXPECT_GE(file, 0);
        EXPECT_EQ(pread(file, header.data(), sizeof header, 0), static_cast<ssize_t>(sizeof header));
        close(file);
        return header;
    }
};

TEST_F(WalIndex, ReadsTheHeaderSqliteWrote)
{
    Create(HKEY_CLASSES_ROOT, "Written");
    const HeaderCopies header = WrittenHeader();
    WalIndexChange change;
    ASSERT_TRUE(ReadWalIndexChange(header.data(), change));
    EXPECT_EQ(change.change, header[kChangeWord]);
    EXPECT_NE(change.maxFrame, 0u);

    // The stamp reads the same header through SQLite's own mapping.
    platform::RegistryStamp stamp;
    ASSERT_EQ(platform::ReadRegistryStamp(stamp), ERROR_SUCCESS);
    EXPECT_TRUE(stamp.fromSharedMemory);
    EXPECT_EQ(stamp.walIndex, change);
}

TEST_F(WalIndex, RefusesCopiesThatDifferOrDoNotHoldAHeader)
{
    Create(HKEY_CLASSES_ROOT, "Written");
    const HeaderCopies header = WrittenHeader();
    WalIndexChange change;

    HeaderCopies torn = header;  // a commit caught between its two copies
    ++torn[kSecondCopy + kChangeWord];
    EXPECT_FALSE(ReadWalIndexChange(torn.data(), change));

    HeaderCopies damaged = header;  // equal copies whose checksum does not fit
    ++damaged[kChangeWord];
    ++damaged[kSecondCopy + kChangeWord];
    EXPECT_FALSE(ReadWalIndexChange(damaged.data(), change));

    const HeaderCopies fresh{};  // shared memory no connection has filled yet
    EXPECT_FALSE(ReadWalIndexChange(fresh.data(), change));
}

}  // namespace
}  // namespace quenvar::testing
