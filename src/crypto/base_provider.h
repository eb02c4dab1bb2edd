// The CryptoAPI provider that both the settings file and the APOP digest use.
#pragma once

#include <windows.h>
#include <wincrypt.h>

// Acquires "Microsoft Base Cryptographic Provider v1.0" for RSA_FULL, creating the default key
// container on first use; 1 on success. The caller releases the context.
int acquireBaseProvider(HCRYPTPROV *context);
