// Which /proc/partitions entries "doMount" considers.
#include <gtest/gtest.h>

#include <string>

#include "lib/storage.h"

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
