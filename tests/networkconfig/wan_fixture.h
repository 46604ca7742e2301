// A WAN bring-up in a dry run: a private store, a private file tree holding the
// directories of the generated files, and a command recorder.
#ifndef QAVO_TESTS_NETWORKCONFIG_WAN_FIXTURE_H
#define QAVO_TESTS_NETWORKCONFIG_WAN_FIXTURE_H

#include <filesystem>
#include <string>
#include <vector>

#include "networkconfig/wan.h"
#include "tests/support/dry_run.h"
#include "tests/support/test_files.h"

using Lines = std::vector<std::string>;

class WanTest : public DryRunTest {
protected:
    static constexpr int kMtk7620 = 4;
    static constexpr int kWanPort = 4;

    void SetUp() override
    {
        DryRunTest::SetUp();
        for (const char *dir : {"etc", "etc_ro/ppp/peers"})
            std::filesystem::create_directories(*tree_ / dir);
    }

    static networkconfig::wan::WanRun run()
    {
        networkconfig::wan::WanRun r;
        r.platform = kMtk7620;
        r.port = kWanPort;
        return r;
    }
    std::string file(const std::string &path) const { return qavo::test::readFile(tree_->path() + path); }
    std::string path(const std::string &path) const { return tree_->path() + path; }
    const Lines &commands() const { return recorder_.commands(); }

    static Lines phy(bool on)
    {
        return on ? Lines{"mii_mgr -s -p 4 -r 0 -v 0x3100", "mii_mgr -s -p 4 -r 4 -v 0x25E1"}
                  : Lines{"mii_mgr -s -p 4 -r 0 -v 0xB900", "mii_mgr -s -p 4 -r 4 -v 0x05E1"};
    }
    static Lines concat(std::initializer_list<Lines> parts)
    {
        Lines all;
        for (const Lines &part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    }
};

#endif
