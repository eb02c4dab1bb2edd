// The TLS channel through the platform's security package, and the check of the server's
// certificate.

// Before any header that brings in the chain parameters: the fetch time-out is one of their
// later fields.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include "mailcheck/tls.h"

#include "mailcheck/server_field.h"
#include "mailcheck/wait.h"

#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

static const DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                   ISC_REQ_CONFIDENTIALITY | ISC_REQ_EXTENDED_ERROR |
                                   ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                   ISC_REQ_MANUAL_CRED_VALIDATION;

// The security package's functions, loaded when the first TLS account is checked: a program whose
// accounts are all plain never loads the package, nor the services it starts. Once loaded it stays.
static PSecurityFunctionTableA g_sspi;

static SOCKET g_tlsSocket = INVALID_SOCKET;
static CredHandle g_credentials;
static CtxtHandle g_context;
static SecPkgContext_StreamSizes g_sizes;
// The server's bytes not yet decrypted: room for several whole records of the largest size.
static char g_received[0x10000];
static size_t g_receivedLength;
// The decrypted bytes of the last record not yet taken.
static char g_plain[0x4800];
static size_t g_plainStart;
static size_t g_plainLength;
// One outgoing record: header, data and trailer.
static char g_record[0x4800];

// Appends what the server sends next to g_received, waiting until `totalMs` after `start` at most.
// Returns 1 when bytes came, 0 when the server ended the connection, -1 on time-out, error, a
// full buffer or the end of the session (the channel may be released then: nothing more is read).
static int receiveMore(DWORD start, DWORD totalMs) {
    if (g_receivedLength == sizeof g_received ||
        waitForSocket(g_tlsSocket, kReadable, start, totalMs) != kWaitReady)
        return -1;
    int count = recv(g_tlsSocket, g_received + g_receivedLength,
                     static_cast<int>(sizeof g_received - g_receivedLength), 0);
    if (count <= 0)
        return count == 0 ? 0 : -1;
    g_receivedLength += static_cast<size_t>(count);
    return 1;
}

// Keeps only the bytes that the last call left unused (an "extra" buffer: the end of g_received).
static void keepExtra(const SecBuffer *buffers, int count) {
    size_t extra = 0;
    for (int i = 0; i < count; i++)
        if (buffers[i].BufferType == SECBUFFER_EXTRA && buffers[i].cbBuffer <= g_receivedLength)
            extra = buffers[i].cbBuffer;
    memmove(g_received, g_received + g_receivedLength - extra, extra);
    g_receivedLength = extra;
}

// Sends a token that the security package wrote and frees it; 1 when there was none or it was sent.
static int sendToken(SecBuffer *token, DWORD timeoutMs) {
    if (!token->pvBuffer)
        return 1;
    int sent = sendAll(g_tlsSocket, static_cast<const char *>(token->pvBuffer), token->cbBuffer,
                       timeoutMs);
    g_sspi->FreeContextBuffer(token->pvBuffer);
    token->pvBuffer = NULL;
    return sent;
}

// The client handshake; *contextMade says whether g_context needs deleting afterwards.
static int handshake(char *host, DWORD timeoutMs, int *contextMade) {
    DWORD start = waitClock();
    DWORD attributes;
    SecBuffer outBuffer = {0, SECBUFFER_TOKEN, NULL};
    SecBufferDesc out = {SECBUFFER_VERSION, 1, &outBuffer};
    SECURITY_STATUS status =
        g_sspi->InitializeSecurityContextA(&g_credentials, NULL, host, kContextFlags, 0, 0, NULL, 0,
                                           &g_context, &out, &attributes, NULL);
    *contextMade = status == SEC_I_CONTINUE_NEEDED;
    for (;;) {
        if (!sendToken(&outBuffer, timeoutMs) ||
            !(status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED ||
              status == SEC_E_INCOMPLETE_MESSAGE))
            return 0;
        if (status == SEC_E_OK)
            return 1;
        // receiveMore takes what has arrived before it looks at the time.
        if ((g_receivedLength == 0 || status == SEC_E_INCOMPLETE_MESSAGE) &&
            receiveMore(start, timeoutMs) != 1)
            return 0;
        SecBuffer inBuffers[2] = {
            {static_cast<unsigned long>(g_receivedLength), SECBUFFER_TOKEN, g_received},
            {0, SECBUFFER_EMPTY, NULL}};
        SecBufferDesc in = {SECBUFFER_VERSION, 2, inBuffers};
        status = g_sspi->InitializeSecurityContextA(&g_credentials, &g_context, host, kContextFlags,
                                                    0, 0, &in, 0, NULL, &out, &attributes, NULL);
        if (status != SEC_E_INCOMPLETE_MESSAGE)
            keepExtra(inBuffers, 2);
    }
}

// TLS 1.2 or a later version.
static int protocolRecentEnough() {
    SecPkgContext_ConnectionInfo info;
    return g_sspi->QueryContextAttributesA(&g_context, SECPKG_ATTR_CONNECTION_INFO, &info) ==
               SEC_E_OK &&
           (info.dwProtocol & (SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT)) != 0;
}

// The longest wait for one certificate that the chain needs and the system fetches from the
// address that the certificate below it names (a missing intermediate, a root not yet stored).
static const DWORD kFetchTimeoutMs = 10000;

// One certificate check, shared by the thread that builds the chain and the session that asked
// for it; whichever of the two is done with it last frees it. The thread touches nothing else, so
// that the session can give it up, at its deadline or when it ends, without waiting for it.
struct ChainCheck {
    LONG references;
    PCCERT_CONTEXT certificate;
    WCHAR host[kHostSize];
    int trusted;
};

static void releaseCheck(ChainCheck *check) {
    if (InterlockedDecrement(&check->references) == 0) {
        CertFreeCertificateContext(check->certificate);
        HeapFree(GetProcessHeap(), 0, check);
    }
}

// The certificate chains to a trusted root without any fault and names the host. Fetching what
// the chain lacks may take seconds: this runs on a thread of its own.
static DWORD WINAPI buildChain(void *parameter) {
    ChainCheck *check = static_cast<ChainCheck *>(parameter);
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {serverAuth};
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof chainPara;
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    chainPara.dwUrlRetrievalTimeout = kFetchTimeoutMs;
    PCCERT_CHAIN_CONTEXT chain = NULL;
    if (CertGetCertificateChain(NULL, check->certificate, NULL, check->certificate->hCertStore,
                                &chainPara, 0, NULL, &chain)) {
        HTTPSPolicyCallbackData ssl = {};
        ssl.cbStruct = sizeof ssl;
        ssl.dwAuthType = AUTHTYPE_SERVER;
        ssl.pwszServerName = check->host;
        CERT_CHAIN_POLICY_PARA policy = {};
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &ssl;
        CERT_CHAIN_POLICY_STATUS status = {};
        status.cbSize = sizeof status;
        // The policy check alone passes an unknown root on some systems: the chain's own error
        // bits are refused as well.
        check->trusted =
            chain->TrustStatus.dwErrorStatus == CERT_TRUST_NO_ERROR &&
            CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status) &&
            status.dwError == 0;
        CertFreeCertificateChain(chain);
    }
    releaseCheck(check);
    return 0;
}

// The server's certificate holds for `host`, as found by buildChain within `totalMs` of waitClock
// from `start`; the thread's messages are dispatched meanwhile.
static int certificateTrusted(const char *host, DWORD start, DWORD totalMs) {
    ChainCheck *check =
        static_cast<ChainCheck *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *check));
    if (!check)
        return 0;
    check->references = 2;
    HANDLE thread = NULL;
    if (g_sspi->QueryContextAttributesA(&g_context, SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                                        &check->certificate) == SEC_E_OK &&
        check->certificate &&
        MultiByteToWideChar(CP_ACP, 0, host, -1, check->host, static_cast<int>(kHostSize)))
        thread = CreateThread(NULL, 0, buildChain, check, 0, NULL);
    int trusted = 0;
    if (thread) {
        trusted = waitForHandle(thread, start, totalMs) == kWaitReady && check->trusted;
        CloseHandle(thread);
    } else {
        releaseCheck(check); // the share of a thread that never ran
    }
    releaseCheck(check);
    return trusted;
}

static int loadSecurityPackage() {
    if (g_sspi)
        return 1;
    HMODULE library = LoadLibraryA("secur32.dll");
    if (!library)
        return 0;
    // Through a plain function pointer type, which any other function pointer type converts from.
    INIT_SECURITY_INTERFACE_A initialise = reinterpret_cast<INIT_SECURITY_INTERFACE_A>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, SECURITY_ENTRYPOINT_ANSIA)));
    g_sspi = initialise ? initialise() : NULL;
    if (!g_sspi)
        FreeLibrary(library);
    return g_sspi != NULL;
}

TlsOpening tlsOpen(SOCKET connection, const char *host, DWORD timeoutMs) {
    if (!loadSecurityPackage())
        return kTlsFailed;
    g_tlsSocket = connection;
    g_receivedLength = 0;
    g_plainStart = 0;
    g_plainLength = 0;
    SCHANNEL_CRED credentials = {};
    credentials.dwVersion = SCHANNEL_CRED_VERSION;
    credentials.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    char package[] = UNISP_NAME_A;
    if (g_sspi->AcquireCredentialsHandleA(NULL, package, SECPKG_CRED_OUTBOUND, NULL, &credentials,
                                          NULL, NULL, &g_credentials, NULL) != SEC_E_OK)
        return kTlsFailed;
    char name[kHostSize];
    lstrcpynA(name, host, sizeof name);
    int contextMade = 0;
    TlsOpening opening = kTlsFailed;
    DWORD start = waitClock();
    if (handshake(name, timeoutMs, &contextMade)) {
        if (!certificateTrusted(host, start, timeoutMs))
            opening = kTlsUntrusted;
        else if (protocolRecentEnough() &&
                 g_sspi->QueryContextAttributesA(&g_context, SECPKG_ATTR_STREAM_SIZES, &g_sizes) ==
                     SEC_E_OK)
            opening = kTlsOpened;
    }
    if (opening != kTlsOpened) {
        if (contextMade)
            g_sspi->DeleteSecurityContext(&g_context);
        g_sspi->FreeCredentialsHandle(&g_credentials);
    }
    return opening;
}

int tlsSend(const char *data, size_t length, DWORD timeoutMs) {
    size_t header = g_sizes.cbHeader, trailer = g_sizes.cbTrailer;
    if (length > g_sizes.cbMaximumMessage || header + length + trailer > sizeof g_record)
        return 0;
    memcpy(g_record + header, data, length);
    SecBuffer buffers[4] = {
        {static_cast<unsigned long>(header), SECBUFFER_STREAM_HEADER, g_record},
        {static_cast<unsigned long>(length), SECBUFFER_DATA, g_record + header},
        {static_cast<unsigned long>(trailer), SECBUFFER_STREAM_TRAILER, g_record + header + length},
        {0, SECBUFFER_EMPTY, NULL}};
    SecBufferDesc message = {SECBUFFER_VERSION, 4, buffers};
    if (g_sspi->EncryptMessage(&g_context, 0, &message, 0) != SEC_E_OK)
        return 0;
    size_t total =
        static_cast<size_t>(buffers[0].cbBuffer) + buffers[1].cbBuffer + buffers[2].cbBuffer;
    return total <= sizeof g_record && sendAll(g_tlsSocket, g_record, total, timeoutMs);
}

// Decrypts the next whole record of g_received into g_plain. Returns 1 when a record was decrypted
// (it may hold no data), 0 when more bytes are needed, -1 when the server ended the session and
// -2 on an error.
static int decryptRecord() {
    if (g_receivedLength == 0)
        return 0;
    SecBuffer buffers[4] = {
        {static_cast<unsigned long>(g_receivedLength), SECBUFFER_DATA, g_received},
        {0, SECBUFFER_EMPTY, NULL},
        {0, SECBUFFER_EMPTY, NULL},
        {0, SECBUFFER_EMPTY, NULL}};
    SecBufferDesc message = {SECBUFFER_VERSION, 4, buffers};
    SECURITY_STATUS status = g_sspi->DecryptMessage(&g_context, &message, 0, NULL);
    if (status == SEC_E_INCOMPLETE_MESSAGE)
        return 0;
    if (status == SEC_I_CONTEXT_EXPIRED)
        return -1;
    if (status != SEC_E_OK)
        return -2;
    for (const SecBuffer &buffer : buffers) {
        if (buffer.BufferType != SECBUFFER_DATA || buffer.cbBuffer == 0)
            continue;
        // Decrypted in place: the data must lie within what was received.
        const char *data = static_cast<const char *>(buffer.pvBuffer);
        if (data < g_received || buffer.cbBuffer > sizeof g_plain ||
            static_cast<size_t>(data - g_received) + buffer.cbBuffer > g_receivedLength)
            return -2;
        memcpy(g_plain, data, buffer.cbBuffer);
        g_plainStart = 0;
        g_plainLength = buffer.cbBuffer;
    }
    keepExtra(buffers, 4);
    return 1;
}

int tlsPeek(char *data, size_t size, DWORD waitMs) {
    DWORD start = waitClock();
    int looked = 0;
    while (g_plainLength == 0) {
        int decrypted = decryptRecord();
        if (decrypted < 0)
            return decrypted == -1 ? 0 : -1;
        if (decrypted == 0) {
            // With no time to wait, the socket is looked at once: records that keep coming
            // without data cannot hold the caller.
            if (waitMs == 0 && looked++)
                return -1;
            int received = receiveMore(start, waitMs);
            if (received <= 0)
                return received;
        }
    }
    size_t count = g_plainLength < size ? g_plainLength : size;
    memcpy(data, g_plain + g_plainStart, count);
    return static_cast<int>(count);
}

size_t tlsHeldBytes() {
    return g_plainLength + g_receivedLength;
}

void tlsTake(size_t count) {
    if (count > g_plainLength)
        count = g_plainLength;
    g_plainStart += count;
    g_plainLength -= count;
}

void tlsClose() {
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control = {sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc controls = {SECBUFFER_VERSION, 1, &control};
    if (g_sspi->ApplyControlToken(&g_context, &controls) == SEC_E_OK) {
        SecBuffer outBuffer = {0, SECBUFFER_TOKEN, NULL};
        SecBufferDesc out = {SECBUFFER_VERSION, 1, &outBuffer};
        DWORD attributes;
        g_sspi->InitializeSecurityContextA(&g_credentials, &g_context, NULL, kContextFlags, 0, 0,
                                           NULL, 0, NULL, &out, &attributes, NULL);
        sendToken(&outBuffer, 0); // one attempt: the session is ending
    }
    g_sspi->DeleteSecurityContext(&g_context);
    g_sspi->FreeCredentialsHandle(&g_credentials);
    g_tlsSocket = INVALID_SOCKET;
}
