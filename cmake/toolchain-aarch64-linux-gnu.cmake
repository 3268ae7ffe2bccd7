# Cross build for 64-bit ARM Linux with Debian's cross compiler and the target's libraries
# installed side by side with the host's (multiarch); scripts/cross-test.sh installs them.
# Test programs, including their discovery by CTest, run under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Libraries and package files come from the target's multiarch folders
# (/usr/lib/aarch64-linux-gnu); headers are shared with the host.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig")

# The programs run on the target's C and C++ libraries installed by multiarch, loader
# included. (Not on the cross compiler's copies under /usr/aarch64-linux-gnu: those can be
# older than the multiarch C library the other libraries bring, and that mix hangs when a
# thread starts.)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
