// Delimited list values: the tables of the list routines plus their boundaries.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "qavo/lists.h"

namespace {

struct SafeCase {
    const char *list;
    int index;
    int result;
    const char *output; // nullptr: untouched
};

TEST(GetNthValueSafe, Table)
{
    const SafeCase cases[] = {
        {"red;;blue", 0, 0, "red"},
        {"red;;blue", 1, 0, ""},
        {"red;;blue", 2, 0, "blue"},
        {"red;;blue", 3, -1, nullptr},
        {"", 0, 0, ""},
        {"", 1, -1, nullptr},
        {";", 1, 0, ""},
        {";", 2, -1, nullptr},
        {"a;b;", 2, 0, ""},
    };
    for (const SafeCase &c : cases) {
        char out[16] = "untouched";
        EXPECT_EQ(c.result, getNthValueSafe(c.index, c.list, ';', out, sizeof out)) << c.list << " " << c.index;
        EXPECT_STREQ(c.output ? c.output : "untouched", out) << c.list << " " << c.index;
    }
}

TEST(GetNthValueSafe, CutsToOutputSize)
{
    char out[4] = "xyz";
    EXPECT_EQ(0, getNthValueSafe(0, "orange;red", ';', out, 4));
    EXPECT_STREQ("ora", out);
    char one[1] = {'x'};
    EXPECT_EQ(0, getNthValueSafe(1, "orange;red", ';', one, 1));
    EXPECT_EQ('\0', one[0]);
    char exact[4];
    EXPECT_EQ(0, getNthValueSafe(1, "orange;red", ';', exact, 4));
    EXPECT_STREQ("red", exact);
}

TEST(GetNthValueSafe, BadArgumentsLeaveOutput)
{
    char out[8] = "keep";
    EXPECT_EQ(-1, getNthValueSafe(0, nullptr, ';', out, sizeof out));
    EXPECT_EQ(-1, getNthValueSafe(0, "a", ';', nullptr, 8));
    EXPECT_EQ(-1, getNthValueSafe(0, "a", ';', out, 0));
    EXPECT_EQ(-1, getNthValueSafe(0, "a", ';', out, -3));
    EXPECT_EQ(-1, getNthValueSafe(-1, "a;b", ';', out, sizeof out));
    EXPECT_STREQ("keep", out);
}

TEST(GetNthValueSafe, OtherDelimitersAndRecordFields)
{
    char record[32], field[16];
    ASSERT_EQ(0, getNthValueSafe(1, "1,a,b;2,c,d", ';', record, sizeof record));
    ASSERT_EQ(0, getNthValueSafe(2, record, ',', field, sizeof field));
    EXPECT_STREQ("d", field);
    EXPECT_EQ(0, getNthValueSafe(2, "Qavo_AB_12", '_', field, sizeof field));
    EXPECT_STREQ("12", field);
    EXPECT_EQ(0, getNthValueSafe(0, "a;b", '\0', field, sizeof field));
    EXPECT_STREQ("a;b", field);
    EXPECT_EQ(-1, getNthValueSafe(1, "a;b", '\0', field, sizeof field));
}

TEST(GetNthValue, SplitsInPlaceLikeStrtok)
{
    char list[] = "red;;blue";
    EXPECT_STREQ("blue", getNthValue(1, list));
    char leading[] = ";;green;x";
    EXPECT_STREQ("green", getNthValue(0, leading));
    char shortList[] = "red;green";
    char *missing = getNthValue(5, shortList);
    EXPECT_STREQ("", missing);
    EXPECT_STREQ("red", shortList); // cut at the first ';'
    char only[] = ";;;";
    EXPECT_STREQ("", getNthValue(0, only));
    EXPECT_EQ(nullptr, getNthValue(0, nullptr));
}

TEST(GetNthValue, LeavesCallersStrtokAlone)
{
    char outer[] = "a b c";
    char *token = strtok(outer, " ");
    char list[] = "x;y";
    getNthValue(1, list);
    EXPECT_STREQ("a", token);
    EXPECT_STREQ("b", strtok(nullptr, " "));
}

struct SetCase {
    const char *list;
    int index;
    const char *value;
    const char *result;
};

TEST(SetNthValue, Table)
{
    const SetCase cases[] = {
        {"red;green;blue", 0, "black", "black;green;blue"},
        {"red", 2, "black", "red;;black"},
        {"red;green", 3, "black", "red;green;;black"},
        {"red;green;blue", 2, "", "red;green;"},
        {"", 0, "x", "x"},
        {"a;b;c;d;e;f;g;h", 7, "z", "a;b;c;d;e;f;g;z"},
        {"a;b;c;d;e;f;g;h", 0, "z", "z;b;c;d;e;f;g;h"},
        {"a;", 0, "z", "z;"},
    };
    for (const SetCase &c : cases) {
        const char *result = setNthValue(c.index, c.list, c.value);
        ASSERT_NE(nullptr, result) << c.list;
        EXPECT_STREQ(c.result, result) << c.list << " " << c.index;
    }
}

TEST(SetNthValue, SameBufferEachCallAndListUnchanged)
{
    const char list[] = "red;green";
    char *first = setNthValue(0, list, "one");
    char *second = setNthValue(1, list, "two");
    EXPECT_EQ(first, second);
    EXPECT_STREQ("red;two", first);
    EXPECT_STREQ("red;green", list);
}

TEST(SetNthValue, LargestListFitsAndBeyondIsRefused)
{
    std::string item(255, 'x');
    std::string full = item;
    for (int i = 1; i < 8; ++i)
        full += ";" + item;
    const char *result = setNthValue(7, full.c_str(), item.c_str());
    ASSERT_NE(nullptr, result);
    EXPECT_EQ(full, result);

    EXPECT_EQ(nullptr, setNthValue(0, (full + ";").c_str(), "v")); // 9 items
    EXPECT_EQ(nullptr, setNthValue(0, (item + "x").c_str(), "v")); // item of 256
    EXPECT_EQ(nullptr, setNthValue(0, "a", (item + "x").c_str())); // value of 256
    EXPECT_EQ(nullptr, setNthValue(8, "a", "v"));
    EXPECT_EQ(nullptr, setNthValue(-1, "a", "v"));
    EXPECT_EQ(nullptr, setNthValue(0, nullptr, "v"));
    EXPECT_EQ(nullptr, setNthValue(0, "a", nullptr));
}

TEST(GetNums, CountsDelimiters)
{
    EXPECT_EQ(0, getNums(nullptr, ';'));
    EXPECT_EQ(1, getNums("", ';'));
    EXPECT_EQ(3, getNums("a,,", ','));
    EXPECT_EQ(1, getNums("a,b", ';'));
    EXPECT_EQ(3, getRuleNums("1;2;3"));
    EXPECT_EQ(3, getRuleNums(";;"));
    EXPECT_EQ(0, getRuleNums(nullptr));
}

struct DeleteCase {
    const char *list;
    char delimiter;
    std::vector<int> indexes;
    const char *result;
};

TEST(DeleteNthValueMulti, Table)
{
    const DeleteCase cases[] = {
        {"red;green;blue", ';', {1}, "red;blue"},
        {"red;green;blue", ';', {0}, "green;blue"},
        {"red;green;blue", ';', {2}, "red;green"},
        {"red;green;blue", ';', {0, 1}, "blue"},
        {"red;green;blue", ';', {0, 1, 2}, ""},
        {"red;green;blue", ';', {1, 0}, "red;blue"},
        {"red;green;blue", ';', {1, 2}, "red"},
        {"red;green;blue", ';', {0, 2}, "green"},
        {"red;green;blue", ';', {0, 0, 1}, "green;blue"},
        {"red;green;blue", ';', {5}, "red;green;blue"},
        {"red;green;blue", ';', {-1, 0}, "red;green;blue"},
        {"red,green", ',', {0}, "green"},
        {"red", ';', {0}, ""},
        {"red", ';', {1}, "red"},
        {"red;;blue", ';', {0}, ";blue"},
        {"red;;blue", ';', {1}, "red;blue"},
        {";x", ';', {0}, "x"},
        {"", ';', {0}, ""},
    };
    for (const DeleteCase &c : cases) {
        std::string list = c.list;
        std::vector<char> buffer(list.begin(), list.end());
        buffer.push_back('\0');
        EXPECT_EQ(
            0, deleteNthValueMulti(c.indexes.data(), static_cast<int>(c.indexes.size()), buffer.data(), c.delimiter));
        EXPECT_STREQ(c.result, buffer.data()) << c.list << " first index " << c.indexes[0];
    }
}

TEST(DeleteNthValueMulti, NothingToDelete)
{
    char list[] = "a;b";
    int index = 0;
    EXPECT_EQ(0, deleteNthValueMulti(&index, 0, list, ';'));
    EXPECT_EQ(0, deleteNthValueMulti(nullptr, 1, list, ';'));
    EXPECT_EQ(0, deleteNthValueMulti(&index, 1, nullptr, ';'));
    EXPECT_STREQ("a;b", list);
}

} // namespace
