// Mirroring a directory tree as directories and symbolic links.
#include "qavo/files.h"

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lib/command.h"
#include "lib/holders.h"

namespace {

constexpr size_t kPathSize = 512;

bool joinPath(char (&out)[kPathSize], const char *directory, const char *name)
{
    int length = snprintf(out, sizeof out, "%s/%s", directory, name);
    return length > 0 && static_cast<size_t>(length) < sizeof out;
}

void mirrorDirectory(const char *source, const char *target);

void mirrorEntry(const char *source, const char *target, const char *name)
{
    char sourcePath[kPathSize], targetPath[kPathSize];
    // A path that does not fit is skipped rather than cut to another name. This also ends
    // the walk of a tree that loops through a symbolic link.
    if (!joinPath(sourcePath, source, name) || !joinPath(targetPath, target, name))
        return;
    struct stat info;
    if (stat(sourcePath, &info) != 0) {
        puts("stat fault");
        return;
    }
    if (S_ISDIR(info.st_mode)) {
        qavo::runCommand<qavo::kCommandSize>(0, "mkdir -p %s 1>/dev/null 2>&1",
                                             {qavo::quote::text("directory", targetPath)});
        mirrorDirectory(sourcePath, targetPath);
        return;
    }
    if (chdir(target) != 0) {
        fprintf(stderr, "Can't change to directory %s\n", target);
        return;
    }
    qavo::runCommand<qavo::kCommandSize>(
        0, "ln -s %s %s 1>/dev/null 2>&1",
        {qavo::quote::text("file", sourcePath), qavo::quote::text("link", targetPath)});
}

void mirrorDirectory(const char *source, const char *target)
{
    qavo::Directory directory(opendir(source));
    if (!directory)
        return;
    while (const dirent *entry = readdir(directory.get())) {
        // Hidden names (".", ".." among them) stay out; names with a single quote have
        // always been left out of the mirror.
        if (entry->d_name[0] == '.' || strchr(entry->d_name, '\''))
            continue;
        mirrorEntry(source, target, entry->d_name);
    }
}

// The path as seen from the working directory at the start: the mirror enters the target
// directories as it goes, so a relative path would name another place after the first link.
bool absolutePath(char (&out)[kPathSize], const char *path)
{
    if (path[0] == '\0')
        return false; // names no directory, as opendir("") finds none
    if (path[0] == '/') {
        int length = snprintf(out, sizeof out, "%s", path);
        return length >= 0 && static_cast<size_t>(length) < sizeof out;
    }
    char directory[kPathSize];
    return getcwd(directory, sizeof directory) && joinPath(out, directory, path);
}

} // namespace

extern "C" void buildFilesLn(const char *source, const char *target)
{
    char absoluteSource[kPathSize], absoluteTarget[kPathSize];
    if (!source || !target || !absolutePath(absoluteSource, source) || !absolutePath(absoluteTarget, target))
        return;
    mirrorDirectory(absoluteSource, absoluteTarget);
}
