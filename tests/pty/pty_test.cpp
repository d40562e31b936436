// The program in a real terminal: it takes over the screen, draws where
// TELA, CURSOR, COR and FUNDO say, reads a line with the speaking editor,
// opens screen review from the editor, and speaks what it should (checked
// through the log engine). Under tmux the screen is read back cell by cell;
// without tmux those checks report themselves skipped.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <pty.h>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The script and its settings in a fresh directory; the speech goes to a log.
class Workspace {
public:
    explicit Workspace(const std::string& script)
    {
        std::random_device seed;
        m_dir = fs::temp_directory_path() / ("palavrino-pty-" + std::to_string(seed()));
        fs::create_directories(m_dir / "config" / "talira");
        std::ofstream(m_dir / "config" / "talira" / "Talira.ini")
            << "[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO=" << (m_dir / "fala.log").string() << "\n";
        std::ofstream(m_dir / "teste.pro") << script;
    }
    ~Workspace()
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    const fs::path& Dir() const { return m_dir; }
    std::string Speech() const
    {
        std::ifstream in(m_dir / "fala.log");
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

private:
    fs::path m_dir;
};

// True when each of the pieces occurs in text, in this order.
bool InOrder(const std::string& text, std::initializer_list<std::string> pieces)
{
    size_t at = 0;
    for (const std::string& piece : pieces) {
        at = text.find(piece, at);
        if (at == std::string::npos)
            return false;
        at += piece.size();
    }
    return true;
}

const char* const SCRIPT = "TELA LIMPA\n"
                           "COR 14\n"
                           "FUNDO 1\n"
                           "TELA @10, 5\n"
                           "ESCREVE MUDO \"Amarelo\"\n"
                           "COR 15\n"
                           "FUNDO 0\n"
                           "CURSOR 1, 10\n"
                           "ESCREVE MUDO \"Nome: \" &\n"
                           "LE nome\n"
                           "CURSOR 1, 12\n"
                           "ESCREVE MUDO \"Ola, \" nome\n"
                           "LE k &\n"
                           "ESCREVE MUDO \"tecla \" k\n"
                           "LE ultima\n";

// ---- Directly in a pseudo-terminal ----

class PtyChild {
public:
    explicit PtyChild(const Workspace& ws)
    {
        winsize size {};
        size.ws_row = 25;
        size.ws_col = 80;
        m_pid = forkpty(&m_master, nullptr, nullptr, &size);
        if (m_pid == 0) {
            if (chdir(ws.Dir().c_str()) != 0)
                _exit(126);
            setenv("TERM", "xterm-256color", 1);
            setenv("XDG_CONFIG_HOME", (ws.Dir() / "config").c_str(), 1);
            execl(PALAVRINO_EXE, PALAVRINO_EXE, "teste.pro", static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~PtyChild()
    {
        if (m_pid > 0 && !m_done) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_master >= 0)
            close(m_master);
    }
    bool Started() const { return m_pid > 0; }
    void Send(const std::string& keys)
    {
        ASSERT_EQ(write(m_master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }
    // Reads output until it holds `text` (or the time is up).
    bool WaitFor(const std::string& text, std::chrono::milliseconds limit = 10s)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (m_output.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            fd_set set;
            FD_ZERO(&set);
            FD_SET(m_master, &set);
            timeval tv { 0, 100000 };
            if (select(m_master + 1, &set, nullptr, nullptr, &tv) > 0) {
                char buffer[4096];
                const ssize_t got = read(m_master, buffer, sizeof buffer);
                if (got <= 0)
                    return m_output.find(text) != std::string::npos;
                m_output.append(buffer, static_cast<size_t>(got));
            }
        }
        return true;
    }
    // Waits for the program to end, reading what it writes meanwhile (a
    // full terminal would stop it); -1 when it does not end in time.
    int Wait(std::chrono::milliseconds limit = 10s)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end)
                return -1;
            WaitFor("\x01never\x01", 100ms);
        }
        m_done = true;
        WaitFor("\x01never\x01", 200ms); // what is left in the terminal
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string& Output() const { return m_output; }

private:
    int m_master { -1 };
    pid_t m_pid { -1 };
    bool m_done { false };
    std::string m_output;
};

TEST(Terminal, TakesOverTheScreenAndReadsWithTheSpeakingEditor)
{
    Workspace ws(SCRIPT);
    PtyChild child(ws);
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(child.WaitFor("Nome:")) << child.Output();
    EXPECT_NE(child.Output().find("\x1B[?1049h"), std::string::npos); // the alternate screen
    child.Send("Maria\r");
    ASSERT_TRUE(child.WaitFor("Ola, Maria"));
    child.Send("\x1B[15~"); // F5
    ASSERT_TRUE(child.WaitFor("tecla #0#63"));
    child.Send("\r");
    EXPECT_EQ(child.Wait(), 0);
    // The last screen is left behind as plain text.
    EXPECT_TRUE(
        InOrder(child.Output(), { "\x1B[?1049l", "Amarelo", "Nome: Maria", "Ola, Maria", "tecla #0#63" }))
        << child.Output();
    // Typed letters are spoken one by one; ESCREVE MUDO says nothing.
    EXPECT_EQ(ws.Speech(), "M\na\nr\ni\na\n");
}

// ---- Under tmux ----

std::string Run(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, got);
    pclose(pipe);
    return out;
}

// Each session gets a server of its own: one test may start a second
// session right after killing the first, whose server may still be going
// away on the same socket ("server exited unexpectedly").
int NextSessionNumber()
{
    static int sessions = 0;
    return ++sessions;
}

class Tmux {
public:
    // args: the program's command line after its name (none: the prompt).
    explicit Tmux(const Workspace& ws, const std::string& args = "teste.pro")
        : m_socket("palavrino-test-" + std::to_string(getpid()) + "-" + std::to_string(NextSessionNumber()))
        , m_status_file(ws.Dir() / "status")
    {
        const std::string command = "cd " + ws.Dir().string() + " && env TERM=xterm-256color XDG_CONFIG_HOME="
            + (ws.Dir() / "config").string() + " " + PALAVRINO_EXE + " " + args;
        Run(Tmux_() + " new-session -d -x 80 -y 25 '" + command + "; echo $? > status; sleep 30'");
    }
    // The program's exit status once it has ended (-1: still running).
    int ExitStatus()
    {
        for (int i = 0; i < 100; ++i) {
            std::ifstream in(m_status_file);
            int status = -1;
            if (in >> status)
                return status;
            std::this_thread::sleep_for(100ms);
        }
        return -1;
    }
    void Resize(int columns, int rows)
    {
        Run(Tmux_() + " resize-window -x " + std::to_string(columns) + " -y " + std::to_string(rows));
        std::this_thread::sleep_for(300ms);
    }
    ~Tmux() { Run(Tmux_() + " kill-server 2>/dev/null"); }
    std::string Screen(bool colours = false)
    {
        return Run(Tmux_() + " capture-pane -p" + (colours ? " -e" : ""));
    }
    std::string Cursor() { return Run(Tmux_() + " display -p '#{cursor_x},#{cursor_y}'"); }
    void Keys(const std::string& keys)
    {
        Run(Tmux_() + " send-keys " + keys);
        std::this_thread::sleep_for(150ms);
    }
    bool WaitFor(const std::string& text)
    {
        for (int i = 0; i < 100; ++i) {
            if (Screen().find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }

private:
    std::string Tmux_() const { return "tmux -L " + m_socket; }
    std::string m_socket;
    fs::path m_status_file;
};

bool HaveTmux()
{
    return std::system("tmux -V >/dev/null 2>&1") == 0;
}

TEST(TerminalUnderTmux, PositionsColoursReadingAndScreenReview)
{
    if (!HaveTmux())
        GTEST_SKIP() << "tmux is not installed: the screen cannot be read back";
    Workspace ws(SCRIPT);
    Tmux tmux(ws);
    ASSERT_TRUE(tmux.WaitFor("Nome:")) << tmux.Screen();
    // "Amarelo" at column 10 of row 5, yellow on blue; the cursor after "Nome: ".
    std::istringstream rows(tmux.Screen());
    std::string row;
    for (int i = 0; i < 5; ++i)
        std::getline(rows, row);
    EXPECT_EQ(row, "         Amarelo");
    const std::string coloured = tmux.Screen(true);
    EXPECT_NE(coloured.find("\x1B[38;5;226m\x1B[48;5;21mAmarelo"), std::string::npos) << coloured;
    EXPECT_EQ(tmux.Cursor(), "6,9\n");

    tmux.Keys("Maria");
    EXPECT_EQ(tmux.Cursor(), "11,9\n");
    // Screen review from the editor: Ctrl+Shift+F9, then row 5, column 10
    // and "TL" reads that row; Ctrl+Alt+F9 and Ctrl+K say where it starts.
    // Keys go one at a time, as a person types: a key already waiting cuts
    // the speech before it short.
    for (const char* key : { "C-S-F9", "F6", "0", "5", "1", "0" })
        tmux.Keys(key);
    EXPECT_EQ(tmux.Cursor(), "9,4\n"); // the review cursor is shown
    for (const char* key : { "T", "L", "Escape", "C-M-F9", "C-k", "Escape" })
        tmux.Keys(key);
    EXPECT_EQ(tmux.Cursor(), "11,9\n"); // back in the editor
    tmux.Keys("Enter");
    ASSERT_TRUE(tmux.WaitFor("Ola, Maria"));
    tmux.Keys("F1");
    ASSERT_TRUE(tmux.WaitFor("tecla #0#59"));
    tmux.Keys("Enter");
    EXPECT_TRUE(InOrder(
        ws.Speech(), { "M\na\nr\ni\na\n", "Entre linha e coluna\n", "0\n5\n1\n0\n", "Amarelo\n", "10 12\n" }))
        << ws.Speech();
}

// Ctrl+C while LE waits, on the script's last line: the run stops at once
// with the message said, and ends with a failure status.
TEST(TerminalUnderTmux, CtrlCStopsAWaitingReadEvenOnTheLastLine)
{
    if (!HaveTmux())
        GTEST_SKIP() << "tmux is not installed: the screen cannot be read back";
    Workspace ws("ESCREVE \"pronto\"\nLE x\n");
    Tmux tmux(ws);
    ASSERT_TRUE(tmux.WaitFor("pronto")) << tmux.Screen();
    tmux.Keys("a b");
    tmux.Keys("C-c");
    ASSERT_TRUE(tmux.WaitFor("interrompida na linha 2")) << tmux.Screen();
    EXPECT_NE(tmux.Screen().find("ab"), std::string::npos); // what was typed stays shown
    tmux.Keys("Enter");
    tmux.Keys("Enter");
    EXPECT_EQ(tmux.ExitStatus(), 1);
    EXPECT_NE(ws.Speech().find("Execu\xC3\xA7\xC3\xA3o interrompida na linha 2"), std::string::npos)
        << ws.Speech();
}

// A loop that never waits still stops on Ctrl+C and on Ctrl+F12.
TEST(TerminalUnderTmux, CtrlCAndCtrlF12StopARunningLoop)
{
    if (!HaveTmux())
        GTEST_SKIP() << "tmux is not installed: the screen cannot be read back";
    for (const char* key : { "C-c", "C-F12" }) {
        SCOPED_TRACE(key);
        Workspace ws("ESCREVE \"rodando\"\nPARA i DE 1 ATE 2000000000\nFIM PARA\nESCREVE \"fim\"\n");
        Tmux tmux(ws);
        ASSERT_TRUE(tmux.WaitFor("rodando")) << tmux.Screen();
        tmux.Keys(key);
        ASSERT_TRUE(tmux.WaitFor("interrompida na linha")) << tmux.Screen();
        tmux.Keys("Enter");
        tmux.Keys("Enter");
        EXPECT_EQ(tmux.ExitStatus(), 1);
        EXPECT_EQ(tmux.Screen().find("fim"), std::string::npos);
        EXPECT_NE(ws.Speech().find("interrompida na linha"), std::string::npos) << ws.Speech();
    }
}

// Ctrl+F12 in the editor: the run stops, and the typed text is not wiped
// from the screen first.
TEST(TerminalUnderTmux, CtrlF12InTheEditorKeepsTheTypedText)
{
    if (!HaveTmux())
        GTEST_SKIP() << "tmux is not installed: the screen cannot be read back";
    Workspace ws("ESCREVE MUDO \"Nome: \" &\nLE x\nESCREVE \"depois\"\n");
    Tmux tmux(ws);
    ASSERT_TRUE(tmux.WaitFor("Nome:")) << tmux.Screen();
    tmux.Keys("Maria");
    tmux.Keys("C-F12");
    ASSERT_TRUE(tmux.WaitFor("interrompida na linha 2")) << tmux.Screen();
    EXPECT_NE(tmux.Screen().find("Nome: Maria"), std::string::npos) << tmux.Screen();
    EXPECT_EQ(tmux.Screen().find("depois"), std::string::npos);
}

// In screen review Ctrl+C copies the screen (the script goes on), and so
// does Ctrl+Insert; the copy is pasted back into the editor.
TEST(TerminalUnderTmux, ScreenReviewCopiesWithCtrlCWithoutStoppingTheScript)
{
    if (!HaveTmux())
        GTEST_SKIP() << "tmux is not installed: the screen cannot be read back";
    for (const char* copy_key : { "C-c", "C-IC" }) {
        SCOPED_TRACE(copy_key);
        Workspace ws("TELA LIMPA\nESCREVE MUDO \"Primeira linha\"\nLE x\nESCREVE MUDO \"<\" x \">\"\nLE y\n");
        Tmux tmux(ws);
        ASSERT_TRUE(tmux.WaitFor("Primeira linha")) << tmux.Screen();
        tmux.Keys("C-S-F9");
        // Review has begun (its beep played) before the copy key: typed any
        // earlier, Ctrl+C would still be the editor's break key. Review shows
        // nothing on the screen to wait for, so the wait is generous for
        // loaded machines.
        std::this_thread::sleep_for(2s);
        for (const char* key : { copy_key, "Escape", "C-v", "Enter" })
            tmux.Keys(key);
        ASSERT_TRUE(tmux.WaitFor("<Primeira linha>")) << tmux.Screen();
        EXPECT_EQ(tmux.Screen().find("interrompida"), std::string::npos);
        tmux.Keys("Enter");
        EXPECT_EQ(tmux.ExitStatus(), 0);
    }
}

// Ctrl+Space (the silence key) in the editor is no key: nothing is typed,
// said or beeped, and the script goes on with what was typed around it.
TEST(TerminalUnderTmux, TheSilenceKeyTypesNothingAndStopsNothing)
{
    if (!HaveTmux())
        GTEST_SKIP() << "tmux is not installed: the screen cannot be read back";
    Workspace ws("ESCREVE MUDO \"Nome: \" &\nLE x\nESCREVE MUDO \"<\" x \">\"\nLE y\n");
    Tmux tmux(ws);
    ASSERT_TRUE(tmux.WaitFor("Nome:")) << tmux.Screen();
    for (const char* key : { "a", "b", "C-Space", "c", "C-Space", "Enter" })
        tmux.Keys(key);
    ASSERT_TRUE(tmux.WaitFor("<abc>")) << tmux.Screen();
    EXPECT_EQ(tmux.Screen().find("interrompida"), std::string::npos);
    tmux.Keys("Enter");
    EXPECT_EQ(tmux.ExitStatus(), 0);
    // Each typed letter is said, and nothing else between them.
    EXPECT_TRUE(InOrder(ws.Speech(), { "a\nb\nc\n" })) << ws.Speech();
}

// Making the terminal smaller and back draws every cell again, with the
// cursor where the screen model has it.
TEST(TerminalUnderTmux, ResizingDownAndUpRedrawsTheWholeScreen)
{
    if (!HaveTmux())
        GTEST_SKIP() << "tmux is not installed: the screen cannot be read back";
    Workspace ws("PARA i DE 1 ATE 24\n  ESCREVE MUDO \"linha \" i\nFIM PARA\n"
                 "ESCREVE MUDO \"fim: \" &\nLE x\n");
    Tmux tmux(ws);
    ASSERT_TRUE(tmux.WaitFor("fim:")) << tmux.Screen();
    tmux.Keys("abc");
    for (int i = 0; i < 3; ++i) {
        tmux.Resize(60, 15);
        tmux.Resize(80, 25);
    }
    std::istringstream rows(tmux.Screen());
    std::string row;
    for (int i = 1; i <= 24; ++i) {
        std::getline(rows, row);
        EXPECT_EQ(row, "linha " + std::to_string(i));
    }
    std::getline(rows, row);
    EXPECT_EQ(row, "fim: abc");
    EXPECT_EQ(tmux.Cursor(), "8,24\n");
}

// Interactive mode in a terminal: two lines typed, one recalled from the
// history list with Up, a line added to the edit buffer with F9, the buffer
// run with Ctrl+F9, and Escape with "S" to leave.
TEST(TerminalUnderTmux, InteractiveModeHistoryEditBufferAndExit)
{
    if (!HaveTmux())
        GTEST_SKIP() << "tmux is not installed: the screen cannot be read back";
    Workspace ws("");
    Tmux tmux(ws, "");
    ASSERT_TRUE(tmux.WaitFor("Nome do arquivo .PRO a executar:")) << tmux.Screen();
    tmux.Keys("Enter");
    ASSERT_TRUE(tmux.WaitFor("Digite AJUDA")) << tmux.Screen();
    tmux.Keys("'ESCREVE \"um\"' Enter");
    ASSERT_TRUE(tmux.WaitFor("\num\n")) << tmux.Screen();
    tmux.Keys("'ESCREVE \"dois\"' Enter");
    ASSERT_TRUE(tmux.WaitFor("\ndois\n")) << tmux.Screen();

    // The history, newest first: Down reaches the first line typed.
    tmux.Keys("Up");
    ASSERT_TRUE(tmux.WaitFor("ESCREVE \"um\"")) << tmux.Screen();
    tmux.Keys("Down");
    tmux.Keys("Enter");
    ASSERT_TRUE(tmux.WaitFor("Editore e aperte enter")) << tmux.Screen();
    tmux.Keys("Enter");
    ASSERT_TRUE(tmux.WaitFor("um\n> ")) << tmux.Screen();

    // The edit buffer: one line typed in the paragraph editor.
    tmux.Keys("F9");
    std::this_thread::sleep_for(500ms);
    tmux.Keys("'ESCREVE \"tres\"'");
    tmux.Keys("Escape");
    tmux.Keys("S");
    std::this_thread::sleep_for(500ms);
    tmux.Keys("C-F9");
    ASSERT_TRUE(tmux.WaitFor("Ok")) << tmux.Screen();
    EXPECT_TRUE(InOrder(tmux.Screen(), { "tres\n", "Ok\n", ">" })) << tmux.Screen();

    tmux.Keys("Escape");
    ASSERT_TRUE(tmux.WaitFor("Deseja realmente encerrar o Palavrino?")) << tmux.Screen();
    EXPECT_NE(tmux.Screen().find("Voc\xC3\xAA editou um script de 1 linhas."), std::string::npos)
        << tmux.Screen();
    tmux.Keys("S");
    EXPECT_EQ(tmux.ExitStatus(), 0);
    EXPECT_TRUE(InOrder(ws.Speech(),
        { "Modo interativo\n", "Digite AJUDA", "um\n", "dois\n", "ESCREVE \"dois\"\n", "ESCREVE \"um\"\n",
            "Editore e aperte enter\n", "um\n", "tres\n", "Ok\n",
            "Voc\xC3\xAA editou um script de 1 linhas.\n", "Deseja realmente encerrar o Palavrino?", "S\n",
            "Fim do script\n" }))
        << ws.Speech();
}

// The script prompt's file list in a terminal: drawn over the screen with
// the cursor on the entry spoken, and gone again after the choice.
TEST(TerminalUnderTmux, ScriptPromptFileListFollowsTheCursor)
{
    if (!HaveTmux())
        GTEST_SKIP() << "tmux is not installed: the screen cannot be read back";
    Workspace ws("ESCREVE \"rodou teste\"\nLE x\n");
    std::ofstream(ws.Dir() / "outro.pro") << "ESCREVE \"rodou outro\"\nLE x\n";
    Tmux tmux(ws, "");
    ASSERT_TRUE(tmux.WaitFor("Nome do arquivo .PRO a executar:")) << tmux.Screen();
    tmux.Keys("Down");
    ASSERT_TRUE(tmux.WaitFor(" outro.pro")) << tmux.Screen();
    // The list starts on the prompt's row (3): the speech log, then the
    // scripts, sorted by name; the cursor after the one-blank prefix.
    std::istringstream rows(tmux.Screen());
    std::string row;
    for (const char* expected : { "Palavrino", "", " fala.log", " outro.pro", " teste.pro" }) {
        std::getline(rows, row);
        EXPECT_EQ(row.substr(0, std::string(expected).size()), expected);
    }
    EXPECT_EQ(tmux.Cursor(), "1,2\n");
    tmux.Keys("Down");
    EXPECT_EQ(tmux.Cursor(), "1,3\n");
    tmux.Keys("Down");
    EXPECT_EQ(tmux.Cursor(), "1,4\n");
    tmux.Keys("Enter");
    ASSERT_TRUE(tmux.WaitFor("rodou teste")) << tmux.Screen();
    EXPECT_EQ(tmux.Screen().find(" outro.pro"), std::string::npos) << tmux.Screen();
    tmux.Keys("Enter");
    EXPECT_EQ(tmux.ExitStatus(), 0);
    EXPECT_TRUE(
        InOrder(ws.Speech(), { "fala.log\n", "outro.pro\n", "teste.pro\n", "teste.pro\n", "rodou teste\n" }))
        << ws.Speech();
}

} // namespace

namespace {

// Screen readers and magnifiers follow the terminal's cursor: in a menu it
// stands on the item being spoken, in a form on the field being edited.
TEST(TerminalUnderTmux, TheCursorSitsOnTheMenuItemAndTheFormField)
{
    if (!HaveTmux())
        GTEST_SKIP() << "tmux is not installed: the screen cannot be read back";
    Workspace ws("TELA LIMPA\n"
                 "MENU CRIA 5 3 20 6\n"
                 "MENU ADICIONA \"um\"\n"
                 "MENU ADICIONA \"dois\"\n"
                 "MENU ADICIONA \"tres\"\n"
                 "op = 1\n"
                 "MENU EXECUTA op k t\n"
                 "CURSOR 1, 10\n"
                 "ESCREVE MUDO \"escolhido \" t\n"
                 "FORM CRIA\n"
                 "FORM CAMPO \"Nome\" nome\n"
                 "FORM CAMPO \"Cidade\" cidade\n"
                 "FORM EDITA\n"
                 "CURSOR 1, 20\n"
                 "ESCREVE MUDO \"fim \" nome \" \" cidade\n"
                 "LE x\n");
    Tmux tmux(ws);
    ASSERT_TRUE(tmux.WaitFor("tres")) << tmux.Screen();
    EXPECT_EQ(tmux.Cursor(), "4,2\n");
    tmux.Keys("Down");
    tmux.Keys("Down");
    EXPECT_EQ(tmux.Cursor(), "4,4\n");
    tmux.Keys("Enter");
    ASSERT_TRUE(tmux.WaitFor("escolhido tres")) << tmux.Screen();
    ASSERT_TRUE(tmux.WaitFor("Nome")) << tmux.Screen();
    EXPECT_EQ(tmux.Cursor(), "28,10\n");
    tmux.Keys("A");
    tmux.Keys("n");
    tmux.Keys("a");
    EXPECT_EQ(tmux.Cursor(), "31,10\n");
    tmux.Keys("Tab");
    EXPECT_EQ(tmux.Cursor(), "28,11\n");
    tmux.Keys("R");
    tmux.Keys("i");
    tmux.Keys("o");
    tmux.Keys("Escape");
    ASSERT_TRUE(tmux.WaitFor("fim Ana Rio")) << tmux.Screen();
    tmux.Keys("Enter");
    EXPECT_EQ(tmux.ExitStatus(), 0);
    EXPECT_TRUE(InOrder(ws.Speech(), { "um\n", "dois\n", "tres\n", "Nome\n", "A\nn\na\n", "Cidade\n" }))
        << ws.Speech();
}

// Ctrl+C at the interactive prompt asks before leaving; pressed again
// while the question waits, it leaves.
TEST(TerminalUnderTmux, CtrlCInInteractiveModeAsksThenLeaves)
{
    if (!HaveTmux())
        GTEST_SKIP() << "tmux is not installed: the screen cannot be read back";
    Workspace ws("");
    Tmux tmux(ws, "");
    ASSERT_TRUE(tmux.WaitFor("Nome do arquivo .PRO a executar:")) << tmux.Screen();
    tmux.Keys("Enter");
    ASSERT_TRUE(tmux.WaitFor("Digite AJUDA")) << tmux.Screen();
    tmux.Keys("C-c");
    ASSERT_TRUE(tmux.WaitFor("Deseja realmente encerrar o Palavrino?")) << tmux.Screen();
    tmux.Keys("n");
    ASSERT_TRUE(tmux.WaitFor("Palavrino? n")) << tmux.Screen();
    tmux.Keys("'ESCREVE 40 + 2' Enter");
    ASSERT_TRUE(tmux.WaitFor("42")) << tmux.Screen();
    tmux.Keys("C-c");
    std::this_thread::sleep_for(500ms);
    tmux.Keys("C-c");
    EXPECT_EQ(tmux.ExitStatus(), 0);
}

} // namespace
