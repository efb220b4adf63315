// A second program for the end-to-end tests: opens a device node as another
// program would and says whether it was let in. Run with the preload
// library, it sees the virtual drives' nodes as the program under test does.
//
//   linux_node_opener PATH read|claim|claim-for-writing
//
// read: O_RDONLY (a reader, a status tool); claim: O_RDONLY | O_EXCL (what
// mount and udisks do to a block device); claim-for-writing: O_RDWR | O_EXCL
// (a burning program, or another flasher on an sg node, which the sg driver
// only lets claim for writing). Prints "opened" and exits 0, or prints the
// error and exits with its errno; 64 for a wrong command line.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) return 64;
    const std::string how = argv[2];
    int flags = O_NONBLOCK | O_CLOEXEC;
    if (how == "read") {
        flags |= O_RDONLY;
    } else if (how == "claim") {
        flags |= O_RDONLY | O_EXCL;
    } else if (how == "claim-for-writing") {
        flags |= O_RDWR | O_EXCL;
    } else {
        return 64;
    }
    const int fd = open(argv[1], flags);
    if (fd < 0) {
        const int error = errno;
        std::printf("%s\n", std::strerror(error));
        return error;
    }
    std::printf("opened\n");
    close(fd);
    return 0;
}
