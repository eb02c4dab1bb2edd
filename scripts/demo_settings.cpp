// Writes the "ini.dat" of scripts/run's demo: two accounts on the demo POP3 server, "demo1" by APOP
// and "demo2" by USER/PASS, everything else at the first-start defaults (so vemo checks at once).
//   demo_settings FILE SERVER
#include "crypto/rc4.h"
#include "settings/settings.h"

#include <cstdio>
#include <cstring>

static void setAccount(int slot, const char *name, const char *server, const char *user, int apop) {
    snprintf(g_settings.names[slot], kNameSize, "%s", name);
    snprintf(g_settings.servers[slot], kNameSize, "%s", server);
    snprintf(g_settings.users[slot], kSecretSize, "%s", user);
    snprintf(g_settings.passwords[slot], kSecretSize, "%s", "demo");
    g_settings.apop[slot] = apop;
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: demo_settings FILE SERVER\n");
        return 2;
    }
    applyDefaults(&g_settings);
    setAccount(0, "デモ受信箱", argv[2], "demo1", 1);
    setAccount(1, "デモ空き箱", argv[2], "demo2", 0);

    // The file is the record's image under the program's fixed passphrase.
    unsigned char image[kSettingsSize];
    memcpy(image, &g_settings, kSettingsSize);
    rc4CryptWithPassphrase(image, kSettingsSize, "vemo");
    FILE *file = fopen(argv[1], "wb");
    int written = file && fwrite(image, 1, kSettingsSize, file) == kSettingsSize;
    if (file && fclose(file) != 0)
        written = 0;
    if (!written) {
        fprintf(stderr, "demo_settings: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
