// Every loopback address that the tests use and what listens there, on port 110 unless said. The
// build decides those of the Dovecots that the stories query (the i686 tests have their own) and
// hands them here; the rest are written here, and where a script or the build also names one,
// the comment says so.
#pragma once

// 127.0.0.1, localhost: Dovecot with TLS only (fixture dovecot_tls: POP3 on 995, IMAP on 993;
// alice 3 messages of which 1 seen, bob none), and tests/peers/tls_relay.py (fixture tlsrelay) on
// ports 9951 to 9957, TLS in front of kTlsScripted.

// Dovecot (fixture dovecot in tests/CMakeLists.txt: POP3, and IMAP on 143): alice 3 messages of
// which 1 seen, bob none, jürgen 2, carol 1.
const char kDovecot[] = "127.0.0.21";
// A scripted server that relays to kDovecot, to hear what the client sends.
const char kDovecotRelay[] = "127.0.0.22";

// The scripted servers of the POP3 and of the IMAP session tests; nothing listens on kClosedPort.
const char kPop3Scripted[] = "127.0.0.31";
const char kClosedPort[] = "127.0.0.32";
const char kImapScripted[] = "127.0.0.35";

// The tray and round stories' Dovecot (fixture e2e_dovecot): one 1 message, two none, three 7 of
// which 2 seen. 127.0.0.60, for the i686 tests 127.0.0.160.
const char kE2eDovecot[] = VEMO_E2E_DOVECOT;
// The scripted servers of the tray story's shutdown: an account refused and the next one.
const char kRefusing[] = "127.0.0.61";
const char kAfterRefusing[] = "127.0.0.62";
// The repeating POP3 responder of the round story of five accounts.
const char kRoundResponder[] = "127.0.0.63";
// The repeating POP3 responder of the offline story, which loopback reaches offline too.
const char kOfflineResponder[] = "127.0.0.64";
// The scripted servers of the stalled-server stories: the stalled or late account and the next.
const char kStalled[] = "127.0.0.70";
const char kAfterStalled[] = "127.0.0.71";
// The dialog stories' Dovecot (fixture dialog_dovecot): one 2 messages, two 5. 127.0.0.80, for the
// i686 tests 127.0.0.180.
const char kDialogDovecot[] = VEMO_DIALOG_DOVECOT;

// A listener whose queue is kept full, so that connections to it go unanswered.
const char kBlackHole[] = "127.0.0.90";
// The scripted server behind the TLS relay (whose start in tests/CMakeLists.txt names it too).
const char kTlsScripted[] = "127.0.0.91";
// Where a certificate's missing issuer would be fetched from: a silent web server (the address
// is written into partial.pem by tests/peers/dovecot.sh).
const char kIssuerServer[] = "127.0.0.92";

// 127.0.0.100: the demo Dovecot of scripts/run (VEMO_DEMO_ADDR); 127.0.0.101: the same started by
// the run test (tests/scripts/run_test.sh).

// The benchmark's repeating POP3 responder, and an address where nothing listens.
const char kBenchServer[] = "127.0.0.110";
const char kBenchDeadServer[] = "127.0.0.111";
// An account that a story saves but never checks.
const char kNeverChecked[] = "127.0.0.112";
