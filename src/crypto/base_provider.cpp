// Acquiring the base cryptographic provider that the settings file and the APOP digest use.
#include "crypto/base_provider.h"

int acquireBaseProvider(HCRYPTPROV *context) {
    const char provider[] = "Microsoft Base Cryptographic Provider v1.0";
    return CryptAcquireContextA(context, NULL, provider, PROV_RSA_FULL, 0) ||
           CryptAcquireContextA(context, NULL, provider, PROV_RSA_FULL, CRYPT_NEWKEYSET);
}
