// Replays the fuzz inputs kept in the source tree (seeds and the inputs of past crashes)
// through a fuzz target built without the fuzzer, as an ordinary test.
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        DIR *directory = opendir(argv[i]);
        if (!directory) {
            fprintf(stderr, "cannot open %s\n", argv[i]);
            return 1;
        }
        while (const dirent *entry = readdir(directory)) {
            if (entry->d_name[0] == '.')
                continue;
            std::string path = std::string(argv[i]) + "/" + entry->d_name;
            FILE *file = fopen(path.c_str(), "rb");
            if (!file)
                continue;
            std::vector<uint8_t> bytes;
            int c;
            while ((c = getc(file)) != EOF)
                bytes.push_back(static_cast<uint8_t>(c));
            fclose(file);
            fprintf(stderr, "replay %s\n", path.c_str());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++replayed;
        }
        closedir(directory);
    }
    fprintf(stderr, "%d inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
