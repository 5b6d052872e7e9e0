#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--version")) {
            printf("beatstrip %s\n", BEATSTRIP_VERSION);
            return 0;
        }
    }
    printf("BeatStrip: the player is not built yet; only the platform core exists so far.\n");
    return 0;
}
