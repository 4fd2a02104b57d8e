# Cross build for 64-bit ARM boards with Debian's aarch64-linux-gnu compiler and the arm64 libraries of a
# multiarch host (dpkg --add-architecture arm64: Qt, GoogleTest). Qt's build tools (moc) are the host's.
# Tests run under qemu-aarch64, which finds the arm64 loader and libraries under /.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /)
set(QT_HOST_PATH /usr CACHE PATH "where the host's Qt tools are")
# pkg-config must find the arm64 libraries' .pc files, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig")
