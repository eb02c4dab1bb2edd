#include <windows.h>

#include <gtest/gtest.h>

// Every text of the program is code page 932; the tests mean nothing in another ANSI code page.
TEST(TestEnvironment, AnsiCodePageIs932) {
    EXPECT_EQ(GetACP(), 932u);
}
