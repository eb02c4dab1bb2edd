/* Preloaded into every program of the emulated i386 tree. qemu's user mode hands signal handlers
 * a context whose trap number is -1, and Wine's i386 handlers tell a page fault from an illegal
 * instruction by that number, so every fault that Wine should handle (a guard page, stack
 * growth, IsBadReadPtr, a caught access violation) kills the process. This wraps the handlers of
 * the fault signals and puts back the number that the kernel would have given. Freestanding:
 * built with the host's compiler, which has no 32-bit C library. */

#define SIGTRAP 5
#define SIGBUS 7
#define SIGFPE 8
#define SIGSEGV 11
#define SA_SIGINFO 4
#define SI_KERNEL 0x80
#define TRAP_TRACE 2
#define BUS_ADRALN 1
#define FPE_INTDIV 1
#define FPE_INTOVF 2
#define RTLD_NEXT ((void *)-1)

typedef void (*handler_t)(int, void *, void *);

/* The i386 layouts: glibc's struct sigaction, the head of siginfo_t, and the general registers
 * of ucontext_t, which follow uc_flags, uc_link and the 12-byte uc_stack. */
struct sigaction_i386 {
    handler_t handler;
    unsigned long mask[32];
    int flags;
    void (*restorer)(void);
};
struct siginfo_head {
    int signo, errno_, code;
};
enum { GREGS_AT = 20 / 4, REG_TRAPNO = 12 };

void *dlsym(void *handle, const char *name);

typedef int (*sigaction_t)(int, const struct sigaction_i386 *, struct sigaction_i386 *);

static sigaction_t real_sigaction;
static handler_t handlers[32];

static int kernel_trapno(int signal, int code) {
    switch (signal) {
    case SIGSEGV:
        return code == SI_KERNEL ? 13 : 14; /* general protection, page fault */
    case SIGBUS:
        return code == BUS_ADRALN ? 17 : 14;
    case SIGTRAP:
        return code == TRAP_TRACE ? 1 : 3; /* single step, breakpoint */
    default:
        return code == FPE_INTDIV ? 0 : code == FPE_INTOVF ? 4 : 16;
    }
}

static void fixed_handler(int signal, void *info, void *context) {
    int *trapno = (int *)context + GREGS_AT + REG_TRAPNO;
    if (*trapno == -1)
        *trapno = kernel_trapno(signal, ((struct siginfo_head *)info)->code);
    handlers[signal](signal, info, context);
}

static int is_fault(int signal) {
    return signal == SIGSEGV || signal == SIGBUS || signal == SIGTRAP || signal == SIGFPE;
}

int sigaction(int signal, const struct sigaction_i386 *action, struct sigaction_i386 *old) {
    if (!real_sigaction)
        real_sigaction = (sigaction_t)dlsym(RTLD_NEXT, "sigaction");
    struct sigaction_i386 wrapped;
    handler_t previous = is_fault(signal) ? handlers[signal] : 0;
    if (action && is_fault(signal) && (action->flags & SA_SIGINFO)) {
        wrapped = *action;
        handlers[signal] = action->handler;
        wrapped.handler = fixed_handler;
        action = &wrapped;
    }
    int result = real_sigaction(signal, action, old);
    if (result == 0 && old && old->handler == fixed_handler)
        old->handler = previous;
    return result;
}
