// webui_start: starts the router's web server for the front end. Writes "/etc/httpd.conf",
// which puts every path (the pages and the CGI) behind the login held in the store's
// "Login" and "Password" (factory default admin/admin), then runs BusyBox httpd on port 80
// serving "/etc_ro/web". A login the configuration cannot hold starts no server: a server
// without its login would let anyone change the router.
#include <cstdio>

#include "lib/atomic_file.h"
#include "lib/command.h"
#include "lib/settings.h"
#include "lib/validate.h"

namespace {

constexpr char kConfig[] = "/etc/httpd.conf";

// "/:<login>:<password>": httpd splits the line at its first two ':', so the login may hold
// none, and neither may hold a line break.
bool writeConfig(const char *login, const char *password)
{
    if (!qavo::validate::isHostName(login)) {
        fputs("Error: setting Login is not 1-64 letters, digits, '-', '_' or '.'; refused\n", stderr);
        return false;
    }
    if (!*password) {
        fputs("Error: setting Password is empty; refused\n", stderr);
        return false;
    }
    qavo::AtomicFile file;
    return file.open(kConfig, 0600) &&
           file.write(qavo::quote::Syntax::Plain, "/:%s:%s\n",
                      {qavo::quote::line("Login", login), qavo::quote::line("Password", password)}) &&
           file.commit();
}

} // namespace

int main()
{
    if (!writeConfig(qavo::setting(qavo::kRouterSection, "Login"), qavo::setting(qavo::kRouterSection, "Password")))
        return 1;
    qavo::runCommand<qavo::kSmallCommandSize>(0, "killall -q httpd");
    return qavo::runCommand<qavo::kShortCommandSize>(0, "httpd -p 80 -h /etc_ro/web -c /etc/httpd.conf") == 0 ? 0 : 1;
}
