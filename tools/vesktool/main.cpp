#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vesktool COMMAND ...\n");
        return 2;
    }
    std::fprintf(stderr, "vesktool: unknown command %s\n", argv[1]);
    return 2;
}
