// Which /proc/partitions entries "doMount" considers, and what it runs.
#include <gtest/gtest.h>

#include <string>

#include "lib/storage.h"
#include "networkconfig/handlers.h"
#include "tests/support/dry_run.h"
#include "tests/support/tool_run.h"

using namespace qavo::storage;

TEST(CandidatePartition, NumberedPartitionsOfSdDisksOnly)
{
    for (const char *name : {"sda1", "sdb9", "sda10", "sdz5"})
        EXPECT_TRUE(isDiskPartition(name)) << name;
    for (const char *name : {"sdb", "sda0", "sd", "s", "", "mtdblock1", "hda1", "sdaa1", "name"})
        EXPECT_FALSE(isDiskPartition(name)) << name;
}

TEST(PartitionName, FourthColumnOrNothing)
{
    PartitionName name;
    ASSERT_TRUE(partitionName("major minor  #blocks  name\n", name));
    EXPECT_STREQ(name, "name");
    ASSERT_TRUE(partitionName("   8        1    7812500 sda1\n", name));
    EXPECT_STREQ(name, "sda1");
    EXPECT_FALSE(partitionName("\n", name));
    EXPECT_FALSE(partitionName("8 1 100\n", name));
}

TEST(PartitionName, NamesLongerThanTheBufferAreSkippedWithAMessage)
{
    PartitionName name = "kept";
    std::string longest = "8 1 100 sda1" + std::string(kPartitionNameMax - 4, 'x');
    ASSERT_TRUE(partitionName(longest.c_str(), name));
    EXPECT_EQ(std::string(name).size(), kPartitionNameMax);

    testing::internal::CaptureStderr();
    std::string tooLong = "8 1 100 sda1" + std::string(kPartitionNameMax, 'x') + "\n";
    EXPECT_FALSE(partitionName(tooLong.c_str(), name));
    // The message names the partition on its own line.
    EXPECT_EQ("doMount: partition name sda1" + std::string(kPartitionNameMax, 'x') +
                  "... longer than 14 characters; skipped\n",
              testing::internal::GetCapturedStderr());
}

// The partition table and the mount list (answered to "cat /proc/mounts | grep media")
// come from the test; one signal to the subscriber after any candidate.
class NetworkDoMount : public DryRunTest {};

TEST_F(NetworkDoMount, MountsWhatIsNotMountedThenSignals)
{
    using qavo::test::Lines;
    const struct {
        const char *name;
        std::string partitions, mounts;
        Lines commands;
        size_t reads;
    } rows[] = {
        {"no disk", "sdb", "", {}, 0},
        {"two unmounted",
         "sda sda1 sdb sdb1 sdb2 sda0",
         "media /media/sda10 tmpfs rw 0 0\n",
         {"automount.sh sdb1 nosig", "automount.sh sdb2 nosig", "killall -SIGTTIN qavo_sub"},
         3},
        {"all mounted", "sda sda1", "media /media/sda1 tmpfs rw 0 0\n", {"killall -SIGTTIN qavo_sub"}, 1},
        {"too long to keep, hostile",
         "sdc1xxxxxxxxxxxxxxxxxxxxxxx sdc1$(reboot)",
         "",
         {"automount.sh 'sdc1$(reboot)' nosig", "killall -SIGTTIN qavo_sub"},
         1},
    };
    std::string mounts;
    recorder_.answer("cat /proc/mounts | grep media", [&mounts](const std::string &) { return mounts; });
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        recorder_.clear();
        file("/proc/partitions", qavo::test::partitionTable(r.partitions));
        mounts = r.mounts;
        EXPECT_EQ(1, qavo::test::runHandler(ombix_networkconfig_init_mount, 4).result);
        EXPECT_EQ(r.commands, recorder_.commands());
        EXPECT_EQ(r.reads, recorder_.reads().size());
    }
}
