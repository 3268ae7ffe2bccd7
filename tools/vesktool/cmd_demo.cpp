// `vesktool demo`: what ./run.sh runs until the player exists.
#include <cstdio>

namespace vesk::tool {

int Cmd_demo(int, char**) {
    std::printf("veskplay: the player is not built yet; the engine so far has its base helpers.\n");
    return 0;
}

}  // namespace vesk::tool
