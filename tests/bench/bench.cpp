// The benchmark's driver: runs the real vemo.exe from outside, as the end-to-end stories do, and
// prints what it measured. scripts/bench builds it, starts the wine session and calls it:
//   bench startup VEMO BARE RUNS     time until the main window can be found, against a bare one
//   bench round VEMO DELAY RUNS      a round over five accounts whose every reply waits DELAY ms
//   bench idle VEMO SECONDS          wake-ups and CPU time between rounds
//   bench usage VEMO ROUNDS A B      handles, GDI/USER objects, private bytes after rounds A and B
//   bench soak VEMO ROUNDS A B       the same with timer rounds and an account failing in turn
//   bench fuzz VEMO SEED COUNT [FIRST]  damaged settings files, each started, checked and
//                                       closed (from record FIRST on)
// Everything happens on loopback: the POP3 server is kBenchServer; kBenchDeadServer has none.
#include "crypto/rc4.h"
#include "mailcheck/messages.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/addresses.h"
#include "support/script_server.h"
#include "support/windows_support.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace {

// A host name that the resolver refuses before it asks anyone: its one label is longer than the
// 63 bytes that a label may have, so no query can even be written.
const std::string kUnaskableName(80, 'x');
const DWORD kWaitMs = 30000;
const WPARAM kTrayIcon = 2001;
const WPARAM kCheckTimer = 2002;
const UINT kTrayNotify = 0x8001;

double nowMs() {
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Program {
    std::string folder, exe;
    PROCESS_INFORMATION process = {};
};

// A copy of the program in a folder of its own, with `record` as its "ini.dat" when given.
Program install(const char *source, const Settings *record) {
    Program program;
    program.folder = makeTempFolder("bench");
    program.exe = program.folder + "vemo.exe";
    CopyFileA(source, program.exe.c_str(), FALSE);
    if (record) {
        std::vector<unsigned char> image(kSettingsSize);
        memcpy(image.data(), record, kSettingsSize);
        rc4CryptWithPassphrase(image.data(), image.size(), "vemo");
        HANDLE file = CreateFileA((program.folder + "ini.dat").c_str(), GENERIC_WRITE, 0, NULL,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD written = 0;
        WriteFile(file, image.data(), kSettingsSize, &written, NULL);
        CloseHandle(file);
    }
    return program;
}

bool start(const std::string &exe, PROCESS_INFORMATION *process) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe + "\"";
    return CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                          process) != 0;
}

void release(PROCESS_INFORMATION *process) {
    CloseHandle(process->hProcess);
    CloseHandle(process->hThread);
}

HWND findWindow(const char *className, DWORD timeoutMs) {
    DWORD begin = GetTickCount();
    do {
        if (HWND window = FindWindowA(className, NULL))
            return window;
        Sleep(1);
    } while (GetTickCount() - begin < timeoutMs);
    return NULL;
}

bool isTopmost(HWND window) {
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// Reads and presses the "vemo" message box on the screen, if any; true when there was one.
bool pressBox(std::vector<std::string> *texts) {
    HWND box = FindWindowA("#32770", "vemo");
    if (!box || !IsWindowVisible(box))
        return false;
    if (texts)
        texts->push_back(messageBoxText(box));
    pressOk(box);
    for (int i = 0; i < 500 && IsWindow(box); i++)
        Sleep(2);
    return true;
}

// Until the program is calm: twice, 100 ms apart, no box on the screen before and after a
// message that it answers. It answers messages while a round waits for a server too, but a wait
// on loopback ends well within the pause.
bool settle(HWND window, std::vector<std::string> *texts) {
    DWORD begin = GetTickCount();
    int calm = 0;
    while (calm < 2 && GetTickCount() - begin < kWaitMs) {
        DWORD_PTR result;
        if (pressBox(texts) ||
            !SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) ||
            pressBox(texts))
            calm = 0;
        else if (++calm < 2)
            Sleep(100);
    }
    return calm == 2;
}

const char kNoAccountsText[] = "アカウントが登録されていません。";

// Parks the notification window, starts a round with `message`, presses every box of the round
// and returns once the window is topmost again, as every round with something to show leaves it,
// or once the box of a manual round without accounts has been pressed.
bool runRound(HWND window, HWND msg, UINT message, WPARAM wParam, LPARAM lParam,
              std::vector<std::string> *texts) {
    DWORD_PTR result;
    SendMessageTimeoutA(msg, WM_LBUTTONDOWN, 0, 0, SMTO_NORMAL, 5000, &result);
    if (isTopmost(msg))
        return false;
    PostMessageA(window, message, wParam, lParam);
    std::vector<std::string> seen;
    DWORD begin = GetTickCount();
    bool done = false;
    while (!done && GetTickCount() - begin < kWaitMs) {
        if (pressBox(&seen))
            done = seen.back() == kNoAccountsText;
        else if (isTopmost(msg))
            done = true;
        else
            Sleep(1);
    }
    if (texts)
        texts->insert(texts->end(), seen.begin(), seen.end());
    return done;
}

// Closes the program, pressing any box its exit shows; its exit code, or STILL_ACTIVE when it
// does not end (it is then killed).
DWORD closeProgram(HWND window, PROCESS_INFORMATION *process, std::vector<std::string> *texts) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD begin = GetTickCount();
    while (WaitForSingleObject(process->hProcess, 5) == WAIT_TIMEOUT) {
        if (GetTickCount() - begin > kWaitMs) {
            TerminateProcess(process->hProcess, 1);
            WaitForSingleObject(process->hProcess, kWaitMs);
            return STILL_ACTIVE;
        }
        pressBox(texts);
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process->hProcess, &code);
    return code;
}

void setAccount(Settings *record, int slot, const char *name, const char *server,
                const char *user) {
    lstrcpynA(record->names[slot], name, kNameSize);
    lstrcpynA(record->servers[slot], server, kNameSize);
    lstrcpynA(record->users[slot], user, kSecretSize);
    lstrcpyA(record->passwords[slot], "secret");
}

// Five accounts "a0".."a4" at the responder, users "u0".."u4"; no round at start.
Settings fiveAccounts() {
    Settings record;
    applyDefaults(&record);
    record.checkAtStartup = 0;
    record.msgRect = {100, 100, 300, 160};
    for (int slot = 0; slot < kAccountSlots; slot++) {
        std::string digit(1, static_cast<char>('0' + slot));
        setAccount(&record, slot, ("a" + digit).c_str(), kBenchServer, ("u" + digit).c_str());
    }
    return record;
}

// The running program of a benchmark, found and settled.
struct Running {
    Program program;
    HWND window = NULL, msg = NULL;
};

bool launch(const char *source, const Settings &record, Running *running) {
    running->program = install(source, &record);
    if (!start(running->program.exe, &running->program.process))
        return false;
    running->window = findWindow("vemoClass", kWaitMs);
    running->msg = findWindow("vemoMsgClass", kWaitMs);
    return running->window && running->msg && settle(running->window, NULL);
}

void finish(Running *running) {
    if (running->window)
        closeProgram(running->window, &running->program.process, NULL);
    release(&running->program.process);
    removeTempFolder(running->program.folder);
}

int startupBench(const char *vemo, const char *bare, int runs) {
    Program program = install(vemo, NULL);
    std::string bareExe = program.folder + "bare.exe";
    CopyFileA(bare, bareExe.c_str(), FALSE);
    struct {
        const char *name, *className;
        std::string exe;
        double totalMs = 0;
    } subjects[] = {{"bare", "vemoBenchBare", bareExe}, {"vemo", "vemoClass", program.exe}};
    // Taken in turns, so that a slower moment of the machine falls on both.
    for (int run = 0; run < runs; run++) {
        for (auto &subject : subjects) {
            DeleteFileA((program.folder + "ini.dat").c_str());
            PROCESS_INFORMATION process;
            double begin = nowMs();
            if (!start(subject.exe, &process))
                return 1;
            HWND window = findWindow(subject.className, kWaitMs);
            subject.totalMs += nowMs() - begin;
            if (!window || closeProgram(window, &process, NULL) != 0) {
                printf("startup: %s did not start and end cleanly\n", subject.name);
                return 1;
            }
            release(&process);
        }
    }
    double bareMs = subjects[0].totalMs / runs, vemoMs = subjects[1].totalMs / runs;
    printf("startup: bare %.1f ms, vemo %.1f ms (average of %d starts), ratio %.3f (target <= "
           "1.1)\n",
           bareMs, vemoMs, runs, vemoMs / bareMs);
    removeTempFolder(program.folder);
    return 0;
}

int roundBench(const char *vemo, DWORD delayMs, int runs) {
    Pop3Responder responder(kBenchServer, 2, delayMs);
    Running running;
    if (!responder.listening() || !launch(vemo, fiveAccounts(), &running)) {
        finish(&running);
        return 1;
    }
    double totalMs = 0;
    for (int run = 0; run < runs; run++) {
        double begin = nowMs();
        if (!runRound(running.window, running.msg, kTrayNotify, kTrayIcon, WM_LBUTTONDOWN, NULL)) {
            printf("round: did not complete\n");
            finish(&running);
            return 1;
        }
        totalMs += nowMs() - begin;
    }
    finish(&running);
    // The client waits for five replies a session (greeting, USER, PASS, STAT, and UIDL of the last
    // message, which the responder refuses as a server without ids does): QUIT's is not read.
    double delaysMs = 5.0 * 5 * delayMs, roundMs = totalMs / runs;
    printf("round: five accounts, %lu ms a reply: %.1f ms against %.0f ms of delays (average of %d "
           "rounds), ratio %.3f (target <= 1.02)\n",
           static_cast<unsigned long>(delayMs), roundMs, delaysMs, runs, roundMs / delaysMs);
    return 0;
}

struct Usage {
    DWORD handles = 0, gdi = 0, user = 0;
    SIZE_T privateBytes = 0;
};

// One entry of the system's handle table (information class 16).
struct SystemHandle {
    USHORT process, creatorBackTrace;
    UCHAR type, attributes;
    USHORT value;
    PVOID object;
    ULONG access;
};

// The handles of `processId` in the system's handle table, for where GetProcessHandleCount
// answers 0 (Wine).
DWORD handlesInSystemTable(DWORD processId) {
    std::vector<char> buffer(1 << 20);
    ULONG length = 0;
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(16),
                                              buffer.data(), static_cast<ULONG>(buffer.size()),
                                              &length)) == static_cast<NTSTATUS>(0xC0000004L) &&
           buffer.size() < (64u << 20))
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return 0;
    ULONG count = *reinterpret_cast<ULONG *>(buffer.data());
    const SystemHandle *entries =
        reinterpret_cast<const SystemHandle *>(buffer.data() + sizeof(ULONG_PTR));
    DWORD handles = 0;
    for (ULONG i = 0; i < count; i++)
        handles += entries[i].process == static_cast<USHORT>(processId);
    return handles;
}

const char *g_usageNote = "";

Usage usageOf(const PROCESS_INFORMATION &process) {
    Usage usage;
    GetProcessHandleCount(process.hProcess, &usage.handles);
    if (!usage.handles) {
        usage.handles = handlesInSystemTable(process.dwProcessId);
        g_usageNote = " (handles counted in the system's handle table, private bytes read as the "
                      "pagefile usage: Wine answers 0 to GetProcessHandleCount and PrivateUsage)";
    }
    usage.gdi = GetGuiResources(process.hProcess, GR_GDIOBJECTS);
    usage.user = GetGuiResources(process.hProcess, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&memory),
                             sizeof memory))
        usage.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
    return usage;
}

void printUsage(const char *what, int round, const Usage &usage) {
    printf(
        "%s: after round %d: %lu handles, %lu GDI objects, %lu USER objects, %lu private bytes\n",
        what, round, static_cast<unsigned long>(usage.handles),
        static_cast<unsigned long>(usage.gdi), static_cast<unsigned long>(usage.user),
        static_cast<unsigned long>(usage.privateBytes));
}

// Runs `rounds` rounds, by the tray icon or (soak) by the timer with one account refused in turn
// every tenth round, and compares the usage after round `first` with that after round `last`.
int roundsBench(const char *what, const char *vemo, int rounds, int first, int last, bool soak) {
    WSADATA winsock;
    WSAStartup(MAKEWORD(1, 1), &winsock);
    Pop3Responder responder(kBenchServer, 3, 0);
    Settings record = fiveAccounts();
    record.interval = 0; // every tick checks
    Running running;
    if (!responder.listening() || !launch(vemo, record, &running)) {
        finish(&running);
        return 1;
    }
    Usage early, late;
    int failures = 0, boxes = 0;
    double begin = nowMs();
    for (int round = 1; round <= rounds; round++) {
        int refused = soak && round % 10 == 0 ? round / 10 % kAccountSlots : -1;
        responder.refuseUser(refused < 0 ? "" : "u" + std::to_string(refused));
        std::vector<std::string> texts;
        bool done = soak ? runRound(running.window, running.msg, WM_TIMER, kCheckTimer, 0, &texts)
                         : runRound(running.window, running.msg, kTrayNotify, kTrayIcon,
                                    WM_LBUTTONDOWN, &texts);
        boxes += static_cast<int>(texts.size());
        std::string expected;
        if (refused >= 0) {
            char text[256];
            wsprintfA(text, kPassMessage, ("a" + std::to_string(refused)).c_str());
            expected = text;
        }
        if (!done || texts.size() != (refused < 0 ? 0u : 1u) ||
            (refused >= 0 && texts[0] != expected)) {
            printf("%s: round %d went wrong (%s, %d boxes)\n", what, round,
                   done ? "completed" : "not completed", static_cast<int>(texts.size()));
            failures++;
            if (!done)
                break;
        }
        if (round == first)
            early = usageOf(running.program.process);
        if (round == last)
            late = usageOf(running.program.process);
    }
    double elapsedMs = nowMs() - begin;
    int sessions = responder.sessions();
    finish(&running);
    printUsage(what, first, early);
    printUsage(what, last, late);
    bool grew = late.handles > early.handles || late.gdi > early.gdi || late.user > early.user ||
                late.privateBytes > early.privateBytes;
    printf("%s: %d rounds in %.1f s, %d POP3 sessions, %d boxes pressed, %d rounds wrong; %s\n",
           what, rounds, elapsedMs / 1000, sessions, boxes, failures,
           grew ? "GROWTH" : "no growth");
    if (*g_usageNote)
        printf("%s:%s\n", what, g_usageNote);
    if (early.gdi == 0 && early.user == 0)
        printf("%s: Wine answers 0 for GetGuiResources: GDI and USER objects are not measured\n",
               what);
    WSACleanup();
    return failures || grew ? 1 : 0;
}

// What the program's Unix process has done so far, read from Linux's /proc through Wine's Z:
// drive: the times its main thread (whose id is the process's) blocked, which is every time it
// woke and every call to the Wine server that made it wait, and the CPU time of the whole process
// in clock ticks of 10 ms.
struct Activity {
    long long switches = 0, cpuTicks = 0;
};

std::string readFile(const std::string &path) {
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char data[4096];
    DWORD read;
    while (ReadFile(file, data, sizeof data, &read, NULL) && read > 0)
        text.append(data, read);
    CloseHandle(file);
    return text;
}

// The /proc folder of the process whose command line names `exe`: Wine shows a program's
// Windows path there. "" when there is none.
std::string unixProcess(const std::string &exe) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    std::string result;
    if (search == INVALID_HANDLE_VALUE)
        return result;
    do {
        std::string folder = std::string("Z:\\proc\\") + found.cFileName;
        if (found.cFileName[0] >= '1' && found.cFileName[0] <= '9' &&
            readFile(folder + "\\cmdline").find(exe) != std::string::npos)
            result = folder;
    } while (result.empty() && FindNextFileA(search, &found));
    FindClose(search);
    return result;
}

Activity activityOf(const std::string &process) {
    Activity activity;
    std::string thread = process + "\\task" + process.substr(process.rfind('\\'));
    std::string status = readFile(thread + "\\status");
    size_t at = status.find("voluntary_ctxt_switches:");
    if (at != std::string::npos)
        activity.switches = atoll(status.c_str() + at + 24);
    // utime and stime, fields 14 and 15, after the name in parentheses.
    std::string stat = readFile(process + "\\stat");
    at = stat.rfind(')');
    long long user, system;
    if (at != std::string::npos &&
        sscanf(stat.c_str() + at + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lld %lld",
               &user, &system) == 2)
        activity.cpuTicks = user + system;
    return activity;
}

// The program between rounds: after a timer round has reloaded the countdown, what it does over
// `seconds`, in which only the one-minute tick may wake it. Looked at four times a second: a
// quarter second in which the main thread blocked again counts as one wake-up.
int idleBench(const char *vemo, int seconds) {
    WSADATA winsock;
    WSAStartup(MAKEWORD(1, 1), &winsock);
    Pop3Responder responder(kBenchServer, 1, 0);
    Running running;
    std::string process;
    bool ready = responder.listening() && launch(vemo, fiveAccounts(), &running) &&
                 runRound(running.window, running.msg, WM_TIMER, kCheckTimer, 0, NULL) &&
                 settle(running.window, NULL) &&
                 !(process = unixProcess(running.program.exe)).empty();
    if (!ready) {
        printf("idle: the program did not settle, or its process was not found in /proc\n");
        finish(&running);
        WSACleanup();
        return 1;
    }
    Activity first = activityOf(process), last = first;
    int wakeUps = 0;
    std::string when;
    for (int quarter = 1; quarter <= seconds * 4; quarter++) {
        Sleep(250);
        Activity now = activityOf(process);
        if (now.switches != last.switches) {
            char at[32];
            snprintf(at, sizeof at, "%s%.2f s", when.empty() ? "" : ", ", quarter / 4.0);
            when += at;
            wakeUps++;
        }
        last = now;
    }
    finish(&running);
    WSACleanup();
    printf("idle: %d s between rounds: %d wake-ups (at %s), %lld blocking waits of the main "
           "thread (voluntary context switches in /proc), %lld ms of CPU\n",
           seconds, wakeUps, when.empty() ? "none" : when.c_str(), last.switches - first.switches,
           (last.cpuTicks - first.cpuTicks) * 10);
    return 0;
}

// --- The fuzz of "ini.dat" ---

typedef std::mt19937 Random;

unsigned pick(Random &random, unsigned count) {
    return static_cast<unsigned>(random() % count);
}

int32_t extremeNumber(Random &random) {
    const int32_t values[] = {INT32_MIN, INT32_MIN + 1, -1000000, -1001,    -1, 0, 1, 60,
                              61,        65535,         1 << 30,  INT32_MAX};
    return pick(random, 3) ? values[pick(random, sizeof values / sizeof *values)]
                           : static_cast<int32_t>(random());
}

void fillBytes(Random &random, char *field, size_t size, bool terminated) {
    for (size_t i = 0; i < size; i++)
        field[i] = static_cast<char>(1 + pick(random, 255));
    if (terminated)
        field[pick(random, static_cast<unsigned>(size))] = 0;
}

// A server field that can reach nothing beyond loopback: empty, the responder, an address where
// nothing listens, or a name the resolver turns away without a query. Text after the terminator
// is never read by the program.
void safeServer(Random &random, char *server, bool mutated) {
    const std::string choices[] = {kBenchServer, "", kBenchDeadServer, kUnaskableName};
    const std::string &choice = mutated && pick(random, 4) ? choices[0] : choices[pick(random, 4)];
    memset(server, 0, kNameSize);
    memcpy(server, choice.c_str(), choice.size());
}

// One mutation of a valid record.
void mutate(Random &random, Settings *record) {
    int slot = static_cast<int>(pick(random, kAccountSlots));
    switch (pick(random, 12)) {
    case 0: // strings without terminators
        fillBytes(random, record->names[slot], kNameSize, false);
        break;
    case 1:
        fillBytes(random, pick(random, 2) ? record->users[slot] : record->passwords[slot],
                  kSecretSize, pick(random, 2));
        break;
    case 2:
        fillBytes(random, record->mailerPath, kPathSize, pick(random, 2));
        break;
    case 3: { // extreme rectangles
        RECT &rect = record->msgRect;
        for (LONG *corner : {&rect.left, &rect.top, &rect.right, &rect.bottom})
            if (pick(random, 2))
                *corner = extremeNumber(random);
        break;
    }
    case 4: // negative and huge numbers
        record->interval = extremeNumber(random);
        break;
    case 5:
        record->checkAtStartup = pick(random, 2) ? 1 : extremeNumber(random);
        record->apop[slot] = pick(random, 2) ? 1 : extremeNumber(random);
        break;
    case 6:
        record->msgBackColor = static_cast<uint32_t>(extremeNumber(random));
        record->msgTextColor = static_cast<uint32_t>(random());
        break;
    case 7: { // any font record
        LOGFONTA &font = record->msgFont;
        for (LONG *number : {&font.lfHeight, &font.lfWidth, &font.lfEscapement, &font.lfOrientation,
                             &font.lfWeight})
            if (pick(random, 2))
                *number = extremeNumber(random);
        if (pick(random, 2))
            for (BYTE *byte : {&font.lfItalic, &font.lfUnderline, &font.lfStrikeOut,
                               &font.lfCharSet, &font.lfOutPrecision, &font.lfClipPrecision,
                               &font.lfQuality, &font.lfPitchAndFamily})
                *byte = static_cast<BYTE>(random());
        break;
    }
    case 8: // an empty or garbage face
        if (pick(random, 2))
            memset(record->msgFont.lfFaceName, 0, sizeof record->msgFont.lfFaceName);
        else
            fillBytes(random, record->msgFont.lfFaceName, sizeof record->msgFont.lfFaceName,
                      pick(random, 2));
        break;
    case 9: // a name ending in half of a double-byte character, an ampersand, line breaks
        memset(record->names[slot], 0, kNameSize);
        memset(record->names[slot], pick(random, 2) ? '&' : 'n', pick(random, kNameSize));
        record->names[slot][kNameSize - 2] = '\x82';
        break;
    case 10:
        lstrcpyA(record->users[slot], "u\r\nQUIT");
        break;
    case 11: // a free slot, or a slot in use without its server, user or password
        if (pick(random, 2))
            record->names[slot][0] = 0;
        else
            record->passwords[slot][0] = 0;
        break;
    }
}

Settings fuzzRecord(Random &random, int index) {
    Settings record;
    bool mutated = index % 4 != 0;
    if (mutated) {
        record = fiveAccounts();
        record.checkAtStartup = static_cast<int32_t>(pick(random, 2));
        for (unsigned count = 1 + pick(random, 4); count > 0; count--)
            mutate(random, &record);
    } else {
        fillBytes(random, reinterpret_cast<char *>(&record), kSettingsSize, true);
    }
    for (int slot = 0; slot < kAccountSlots; slot++)
        safeServer(random, record.servers[slot], mutated);
    return record;
}

// The fields that decide how a run goes, for the report of a finding.
std::string describe(const Settings &record) {
    char text[512];
    const RECT &rect = record.msgRect;
    const LOGFONTA &font = record.msgFont;
    wsprintfA(
        text,
        "rect %ld,%ld,%ld,%ld interval %d at start %d colours %08lx/%08lx font %ld/%ld/%ld/%ld/%ld "
        "charset %u quality %u",
        rect.left, rect.top, rect.right, rect.bottom, record.interval, record.checkAtStartup,
        record.msgBackColor, record.msgTextColor, font.lfHeight, font.lfWidth, font.lfEscapement,
        font.lfOrientation, font.lfWeight, font.lfCharSet, font.lfQuality);
    std::string result = text;
    for (int slot = 0; slot < kAccountSlots; slot++)
        result += std::string(" [") + (record.names[slot][0] ? "named" : "free") + " " +
                  std::string(record.servers[slot]).substr(0, 12) + "]";
    return result;
}

// 1 when every string field of the record ends inside its array.
bool terminated(const Settings &record) {
    bool ok = memchr(record.msgFont.lfFaceName, 0, sizeof record.msgFont.lfFaceName) &&
              memchr(record.mailerPath, 0, kPathSize);
    for (int slot = 0; slot < kAccountSlots; slot++)
        ok = ok && memchr(record.names[slot], 0, kNameSize) &&
             memchr(record.servers[slot], 0, kNameSize) &&
             memchr(record.users[slot], 0, kSecretSize) &&
             memchr(record.passwords[slot], 0, kSecretSize);
    return ok;
}

bool waitGone(HWND window) {
    for (DWORD begin = GetTickCount(); IsWindow(window) && GetTickCount() - begin < kWaitMs;)
        Sleep(10);
    return !IsWindow(window);
}

// Opens the settings dialog on the record and, from it, the font dialog on the record's font;
// cancels both. "" when both came and went.
std::string visitDialogs(HWND window) {
    PostMessageA(window, WM_COMMAND, ID_OPEN_SETTINGS, 0);
    HWND settings = waitForWindow("#32770", "設定", kWaitMs);
    if (!settings)
        return "the settings dialog did not open";
    PostMessageA(settings, WM_COMMAND, IDC_FONT, 0);
    HWND chooser = NULL;
    for (DWORD begin = GetTickCount(); !chooser && GetTickCount() - begin < kWaitMs; Sleep(10))
        for (HWND other = FindWindowExA(NULL, NULL, "#32770", NULL); other && !chooser;
             other = FindWindowExA(NULL, other, "#32770", NULL))
            if (GetWindow(other, GW_OWNER) == settings && IsWindowVisible(other))
                chooser = other;
    if (!chooser)
        return "the font dialog did not open";
    PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
    if (!waitGone(chooser))
        return "the font dialog did not close";
    PostMessageA(settings, WM_COMMAND, IDCANCEL, 0);
    return waitGone(settings) ? "" : "the settings dialog did not close";
}

// Starts the program on one record, runs a manual round, opens and cancels the dialogs, closes
// the program; "" when all went well.
std::string fuzzOne(const char *vemo, const Settings &record) {
    Running running;
    running.program = install(vemo, &record);
    if (!start(running.program.exe, &running.program.process))
        return "could not start";
    std::string fault;
    std::vector<std::string> texts;
    running.window = findWindow("vemoClass", kWaitMs);
    running.msg = findWindow("vemoMsgClass", kWaitMs);
    if (!running.window)
        fault = "no main window";
    else if (!settle(running.window, &texts))
        fault = "start-up did not settle";
    else if (!running.msg)
        fault = "no notification window";
    else if (!runRound(running.window, running.msg, kTrayNotify, kTrayIcon, WM_LBUTTONDOWN, &texts))
        fault = "the manual round did not end with the window or the no-accounts box";
    else
        fault = visitDialogs(running.window);
    DWORD code = running.window ? closeProgram(running.window, &running.program.process, &texts)
                                : STILL_ACTIVE;
    if (fault.empty() && code != 0)
        fault = code == STILL_ACTIVE ? "hang at exit" : "exit code " + std::to_string(code);
    if (fault.empty()) {
        std::vector<unsigned char> image(kSettingsSize + 1);
        HANDLE file = CreateFileA((running.program.folder + "ini.dat").c_str(), GENERIC_READ, 0,
                                  NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD read = 0;
        ReadFile(file, image.data(), static_cast<DWORD>(image.size()), &read, NULL);
        CloseHandle(file);
        Settings saved;
        rc4CryptWithPassphrase(image.data(), read, "vemo");
        memcpy(&saved, image.data(), kSettingsSize);
        if (read != kSettingsSize)
            fault = "ini.dat is " + std::to_string(read) + " bytes";
        else if (!terminated(saved))
            fault = "ini.dat holds a string without its terminator";
    }
    if (running.window == NULL && WaitForSingleObject(running.program.process.hProcess, 0))
        TerminateProcess(running.program.process.hProcess, 1);
    release(&running.program.process);
    removeTempFolder(running.program.folder);
    return fault;
}

// Records before `first` are made but not run, so that one finding can be replayed alone.
int fuzzBench(const char *vemo, unsigned seed, int count, int first) {
    WSADATA winsock;
    WSAStartup(MAKEWORD(1, 1), &winsock);
    Pop3Responder responder(kBenchServer, 4, 0);
    if (!responder.listening())
        return 1;
    printf("fuzz: seed %u, %d records (again: scripts/bench fuzz %u %d)\n", seed, count, seed,
           count);
    Random random(seed);
    int faults = 0;
    double begin = nowMs();
    for (int index = 0; index < count; index++) {
        Settings record = fuzzRecord(random, index);
        if (index < first)
            continue;
        std::string fault = fuzzOne(vemo, record);
        if (!fault.empty()) {
            printf("fuzz: record %d (%s): %s; %s (alone: scripts/bench fuzz %u %d %d)\n", index,
                   index % 4 ? "mutated" : "random bytes", fault.c_str(), describe(record).c_str(),
                   seed, index + 1, index);
            faults++;
        }
    }
    printf("fuzz: %d records in %.1f s, %d POP3 sessions, %d faults\n", count,
           (nowMs() - begin) / 1000, responder.sessions(), faults);
    WSACleanup();
    return faults ? 1 : 0;
}

} // namespace

int main(int argc, char **argv) {
    setvbuf(stdout, NULL, _IONBF, 0);
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "startup" && argc == 5)
        return startupBench(argv[2], argv[3], atoi(argv[4]));
    if (command == "round" && argc == 5) {
        WSADATA winsock;
        WSAStartup(MAKEWORD(1, 1), &winsock);
        int result = roundBench(argv[2], static_cast<DWORD>(atoi(argv[3])), atoi(argv[4]));
        WSACleanup();
        return result;
    }
    if (command == "idle" && argc == 4)
        return idleBench(argv[2], atoi(argv[3]));
    if ((command == "usage" || command == "soak") && argc == 6)
        return roundsBench(command.c_str(), argv[2], atoi(argv[3]), atoi(argv[4]), atoi(argv[5]),
                           command == "soak");
    if (command == "fuzz" && (argc == 5 || argc == 6))
        return fuzzBench(argv[2], static_cast<unsigned>(strtoul(argv[3], NULL, 10)), atoi(argv[4]),
                         argc == 6 ? atoi(argv[5]) : 0);
    fprintf(stderr, "usage: bench startup|round|idle|usage|soak|fuzz ...\n");
    return 2;
}
