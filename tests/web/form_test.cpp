// The CGI program's form reader: what a browser sends becomes the page name and a JSON
// object holding exactly the decoded values; broken requests are refused whole.
#include <gtest/gtest.h>

#include <string>

#include "web/cgi/form.h"

TEST(WebForm, FieldsBecomeJsonStringsOrTheRequestIsRefused)
{
    struct Case {
        std::string form;
        form_result result;
        const char *page, *json;
    } cases[] = {
        {"page=status", FORM_OK, "status", "{}"},
        {"page=lan&lan_ipaddr=10.0.0.1&HostName=", FORM_OK, "lan", R"({"lan_ipaddr":"10.0.0.1","HostName":""})"},
        {"wan_pppoe_pass=a+b%22%5C%0A%3Cimg%3E%C3%A9&page=wan", FORM_OK, "wan",
         R"({"wan_pppoe_pass":"a b\"\\\u000a<img>é"})"},
        {"page=lan&", FORM_OK, "lan", "{}"},
        {"page=lan&x=%00", FORM_BAD_ESCAPE, "", ""},
        {std::string("page=lan&x=a\0b", 14), FORM_BAD_ESCAPE, "", ""},
        {"page=lan&x=%4", FORM_BAD_ESCAPE, "", ""},
        {"page=lan&x=%g1", FORM_BAD_ESCAPE, "", ""},
        {"page=lan&a%22b=1", FORM_BAD_NAME, "", ""},
        {"page=lan&&x=1", FORM_BAD_NAME, "", ""},
        {"page=lan&" + std::string(64, 'k') + "=1", FORM_BAD_NAME, "", ""},
        {"page=lan&x=1&x=2", FORM_TWICE, "", ""},
        {"x=1", FORM_NO_PAGE, "", ""},
        {"page=&x=1", FORM_NO_PAGE, "", ""},
        {"page=" + std::string(16, 'p'), FORM_TOO_LONG, "", ""},
        {"page=lan&x=" + std::string(100, 'v'), FORM_TOO_LONG, "", ""},
    };
    for (const Case &c : cases) {
        char page[16] = "junk", json[96] = "junk";
        int fields = -1;
        EXPECT_EQ(form_to_request(c.form.data(), c.form.size(), page, sizeof page, json, sizeof json, &fields),
                  c.result)
            << c.form;
        EXPECT_STREQ(page, c.page) << c.form;
        EXPECT_STREQ(json, c.json) << c.form;
    }
}
