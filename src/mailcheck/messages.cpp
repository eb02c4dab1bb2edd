// The texts of the mail check's message boxes, and fitting a name into them.
#include "mailcheck/messages.h"

#include <cstring>

const char kWinsockMessage[] = "Winsockの初期化に失敗しました。";
const char kLookupMessage[] =
    "' %s ' のサーバが見つかりません。\nアカウントの設定が正しいか確認してください。";
const char kSocketMessage[] = "' %s ' のソケットを作成できませんでした。";
const char kConnectMessage[] = "' %s ' のソケットに接続できませんでした。";
const char kApopMessage[] = "' %s ' のAPOP認証に失敗しました。";
const char kUserMessage[] = "' %s ' のUSER名が正しくありません。";
const char kPassMessage[] = "' %s ' のUSER名又はパスワードが正しくありません。";
const char kStatMessage[] = "' %s ' のメール件数を取得できませんでした。";
const char kCertificateMessage[] = "' %s ' のサーバ証明書を確認できませんでした。";

static bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

size_t fittingNameLength(const char *format, const char *name, size_t size) {
    size_t fixed = strlen(format) - 2; // without the "%s"
    if (fixed + 1 >= size)
        return 0;
    size_t room = size - 1 - fixed;
    size_t length = 0;
    while (name[length]) {
        size_t step =
            isLeadByte(static_cast<unsigned char>(name[length])) && name[length + 1] ? 2 : 1;
        if (length + step > room)
            break;
        length += step;
    }
    return length;
}
