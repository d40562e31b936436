// The program's clipboard kept in step with the X11 CLIPBOARD: what the
// program puts there another program pastes (UTF-8 on the wire), what
// another program copies the program reads (Windows-1252 inside), large
// texts both ways, and the program's own copy when nobody else has one.
#include "console/screen_model.h"
#include "tests/x11/x11_fixture.h"

using palavrino::testing::DesktopTest;
using palavrino::testing::PollUntil;

namespace {

class ClipboardTest : public DesktopTest {
protected:
    // Another program pastes the CLIPBOARD into its log.
    std::string PasteElsewhere(const std::string& log)
    {
        EXPECT_EQ(Desktop()->RunToEnd({ PL_X11_CLIENT, "paste", Log(log) }), 0);
        return LogText(log);
    }
    // Another program copies `text` (UTF-8) and keeps serving it.
    [[nodiscard]] bool CopyElsewhere(const std::string& text, const std::string& log)
    {
        Desktop()->RunInBackground({ PL_X11_CLIENT, "copy", text, Log(log) });
        return AwaitLog(log, "owned");
    }

    std::unique_ptr<palavrino::platform::SystemClipboard> system = palavrino::platform::MakeX11Clipboard();
    palavrino::console::Clipboard board;
};

} // namespace

TEST_F(ClipboardTest, TextGoesBothWaysInUtf8)
{
    board.AttachSystem(system.get());
    EXPECT_TRUE(board.PutBytes("Cora\xE7\xE3o \x80 5"));
    EXPECT_EQ(PasteElsewhere("p1.log"), "Cora\xC3\xA7\xC3\xA3o \xE2\x82\xAC 5");
    EXPECT_EQ(board.GetText(), "Cora\xE7\xE3o \x80 5");

    ASSERT_TRUE(CopyElsewhere("Ol\xC3\xA1 \xE2\x80\x9Cmundo\xE2\x80\x9D", "c1.log"));
    EXPECT_EQ(board.GetText(), "Ol\xE1 \x93mundo\x94");
    EXPECT_EQ(board.GetText(4), "Ol\xE1");

    // Taking the clipboard back ends the other owner's claim.
    EXPECT_TRUE(board.PutBytes("de volta"));
    EXPECT_EQ(PasteElsewhere("p2.log"), "de volta");
}

TEST_F(ClipboardTest, LargeTextsArriveWhole)
{
    board.AttachSystem(system.get());
    std::string text;
    for (int i = 0; text.size() < (size_t { 1 } << 20); ++i)
        text += std::to_string(i) + " a\xE7\xE3o\n";
    EXPECT_TRUE(board.PutBytes(text));
    std::string utf8;
    for (const char c : text)
        utf8 += c == '\xE7' ? "\xC3\xA7" : c == '\xE3' ? "\xC3\xA3" : std::string(1, c);
    EXPECT_EQ(PasteElsewhere("big.log"), utf8);
}

TEST_F(ClipboardTest, TransfereThroughTheDesktopAndTheProgramsOwnCopy)
{
    // The runtime's console here is in memory; the program's own path
    // (console clipboard attached to the desktop) is what TRANSFERE uses.
    EXPECT_TRUE(Run("TRANSFERE DE \"\""));
    EXPECT_EQ(io.clipboard, " ");
    EXPECT_EQ(Written("TRANSFERE DE 5"), "Esperava uma cadeia como texto a TRANSFERIR\n");
    EXPECT_EQ(Written("TRANSFERE x"), "Esperava DE ou PARA como op\xE7\xE3o para o comando TRANSFERE\n");
    EXPECT_EQ(Written("TRANSFERE PARA 5"), "Esperava uma vari\xE1vel\n");
    io.clipboard_works = false;
    EXPECT_EQ(
        Written("TRANSFERE DE \"x\""), "N\xE3o pude copiar para a \xE1rea de transfer\xEAncia do Windows\n");
    EXPECT_EQ(Written("ESCREVE \"segue\""), "segue\n");
    io.clipboard_works = true;

    // Nobody else holds the clipboard: the program's own text stays.
    EXPECT_TRUE(board.PutBytes("local"));
    board.AttachSystem(system.get());
    EXPECT_EQ(board.GetText(), "local");
}
