// An account's server field read into protocol, host, port and TLS, or refused.
#include "mailcheck/server_field.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(ServerField, HostPortTlsAndProtocolOrRefusal) {
    const std::string longHost(255, 'h');
    struct Case {
        std::string field;
        int parsed;
        std::string host;
        unsigned short port;
        int tls;
        int imap;
    } cases[] = {
        {"mail.example.jp", 1, "mail.example.jp", 110, 0, 0}, // what every old file holds
        {"192.0.2.7", 1, "192.0.2.7", 110, 0, 0},
        {"192.0.2.7:2110", 1, "192.0.2.7", 2110, 0, 0},
        {"mail.example.jp:995", 1, "mail.example.jp", 995, 1, 0},
        {"mail.example.jp:110", 1, "mail.example.jp", 110, 0, 0},
        {"mail.example.jp:993", 1, "mail.example.jp", 993, 0, 0}, // POP3 without a scheme
        {"pop3s://mail.example.jp", 1, "mail.example.jp", 995, 1, 0},
        {"POP3S://mail.example.jp:1995", 1, "mail.example.jp", 1995, 1, 0},
        {"pop3://mail.example.jp", 1, "mail.example.jp", 110, 0, 0},
        {"Pop3://mail.example.jp:995", 1, "mail.example.jp", 995, 0, 0},
        {"pop3s://192.0.2.7:65535", 1, "192.0.2.7", 65535, 1, 0},
        {"imap://mail.example.jp", 1, "mail.example.jp", 143, 0, 1},
        {"IMAP://mail.example.jp:1143", 1, "mail.example.jp", 1143, 0, 1},
        {"imap://mail.example.jp:993", 1, "mail.example.jp", 993, 0, 1},
        {"imaps://imap.example.jp", 1, "imap.example.jp", 993, 1, 1},
        {"ImapS://imap.example.jp:10993", 1, "imap.example.jp", 10993, 1, 1},
        {"mail.example.jp:00995", 1, "mail.example.jp", 995, 1, 0},
        {"mail.example.jp:1", 1, "mail.example.jp", 1, 0, 0},
        {longHost, 1, longHost, 110, 0, 0},
        {"pop3s://" + longHost, 1, longHost, 995, 1, 0},
        {"imaps://" + longHost, 1, longHost, 993, 1, 1},
        {longHost + "h", 0, "", 0, 0, 0},
        {"", 0, "", 0, 0, 0},
        {"pop3s://", 0, "", 0, 0, 0},
        {"imaps://", 0, "", 0, 0, 0},
        {"imap://:143", 0, "", 0, 0, 0},
        {":995", 0, "", 0, 0, 0},
        {"mail.example.jp:", 0, "", 0, 0, 0},
        {"mail.example.jp:0", 0, "", 0, 0, 0},
        {"mail.example.jp:65536", 0, "", 0, 0, 0},
        {"mail.example.jp:99999999999999999999", 0, "", 0, 0, 0},
        {"mail.example.jp:+995", 0, "", 0, 0, 0},
        {"mail.example.jp:-1", 0, "", 0, 0, 0},
        {"mail.example.jp: 995", 0, "", 0, 0, 0},
        {"mail.example.jp:995x", 0, "", 0, 0, 0},
        {"mail.example.jp:1:2", 0, "", 0, 0, 0},
        {"imap4://mail.example.jp", 0, "", 0, 0, 0},
        {"pop3s:/mail.example.jp", 0, "", 0, 0, 0}, // read as host "pop3s" with a bad port
        {"imap:mail.example.jp", 0, "", 0, 0, 0},   // read as host "imap" with a bad port
    };
    for (const Case &c : cases) {
        char host[kHostSize];
        memset(host, 'x', sizeof host);
        unsigned short port = 7;
        int tls = 7, imap = 7;
        int parsed = parseServerField(c.field.c_str(), host, &port, &tls, &imap);
        EXPECT_EQ(parsed, c.parsed) << c.field;
        if (parsed && c.parsed) {
            EXPECT_EQ(std::string(host), c.host) << c.field;
            EXPECT_EQ(port, c.port) << c.field;
            EXPECT_EQ(tls, c.tls) << c.field;
            EXPECT_EQ(imap, c.imap) << c.field;
        }
    }
}
