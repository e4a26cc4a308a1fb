// zarta-test-no-namespaces PROGRAM [ARGUMENT]...: runs a program as on a system that lets it make
// no namespace of any kind (neither network namespaces nor unprivileged user namespaces):
// unshare() fails with EPERM for it and for everything it starts, through a seccomp filter that
// is kept across fork and exec.

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(__x86_64__)
#define ZARTA_AUDIT_ARCH AUDIT_ARCH_X86_64
#elif defined(__aarch64__)
#define ZARTA_AUDIT_ARCH AUDIT_ARCH_AARCH64
#else
#error "no seccomp architecture for this machine"
#endif

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [ARGUMENT]...\n", argv[0]);
        return 2;
    }
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ZARTA_AUDIT_ARCH, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_unshare, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        std::perror("seccomp");
        return 127;
    }
    ::execv(argv[1], argv + 1);
    std::perror(argv[1]);
    return 127;
}
