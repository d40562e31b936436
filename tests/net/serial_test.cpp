// SERIAL and the reads and writes of a serial port, on a pseudo-terminal
// pair: the script opens the follower side (named in the configuration),
// the test plays the device on the leader side.
#include "devices/serial_port.h"
#include "platform/interrupt.h"
#include "tests/net/session.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using palavrino::testing::Session;

namespace {

struct PtyPair {
    int leader { -1 };
    int follower { -1 };
    std::string name;
    PtyPair()
    {
        char path[256] = {};
        if (::openpty(&leader, &follower, path, nullptr, nullptr) == 0)
            name = path;
    }
    ~PtyPair()
    {
        if (leader >= 0)
            ::close(leader);
        if (follower >= 0)
            ::close(follower);
    }
    // What the script wrote, as the device receives it.
    std::string Take(size_t count)
    {
        std::string got;
        while (got.size() < count) {
            pollfd p { leader, POLLIN, 0 };
            if (::poll(&p, 1, 5000) <= 0)
                break;
            char buf[256];
            ssize_t n = ::read(leader, buf, std::min(sizeof buf, count - got.size()));
            if (n <= 0)
                break;
            got.append(buf, static_cast<size_t>(n));
        }
        return got;
    }
    void Send(const std::string& bytes)
    {
        ASSERT_EQ(::write(leader, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
};

} // namespace

TEST(Serial, AppliesTheSettingsAndCarriesLines)
{
    PtyPair pty;
    if (pty.name.empty())
        GTEST_SKIP() << "no pseudo-terminal available";
    Session s;
    s.io.config["SERIAL/COM7"] = pty.name;
    ASSERT_TRUE(s.Run({ "SERIAL #1 7 19200 7 2 2" }));
    EXPECT_EQ(s.Status(), 0);
    termios t {};
    ASSERT_EQ(::tcgetattr(pty.follower, &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), B19200);
    // A pseudo-terminal keeps the speed and the raw mode; it forces 8 data
    // bits without parity whatever is asked.
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));
    EXPECT_FALSE(t.c_iflag & (IXON | ICRNL));

    ASSERT_TRUE(s.Run({ "ESCREVE #1 \"liga\"" }));
    EXPECT_EQ(s.Status(), 0);
    EXPECT_EQ(pty.Take(6), "liga\r\n");
    ASSERT_TRUE(s.Run({ "ESCREVE #1 \"x\" &" }));
    EXPECT_EQ(pty.Take(1), "x");

    ASSERT_TRUE(s.Run({ "OBSERVA #1 o" }));
    EXPECT_EQ(s.Var("o"), "0");
    pty.Send("temperatura 21\r\nok\r\n");
    bool waiting = false;
    for (int i = 0; i < 100 && !waiting; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(s.Run({ "OBSERVA #1 o" }));
        waiting = s.Var("o") == "1";
    }
    EXPECT_TRUE(waiting);
    ASSERT_TRUE(s.Run({ "LE #1 linha", "LE #1 c &", "LE #1 resto" }));
    EXPECT_EQ(s.Var("linha"), "temperatura 21");
    EXPECT_EQ(s.Var("c"), "o");
    EXPECT_EQ(s.Var("resto"), "k");
    EXPECT_EQ(s.Status(), 0);

    // The port is in use while open; FECHA frees it.
    ASSERT_TRUE(s.Run({ "SERIAL #2 7" }));
    EXPECT_EQ(s.Status(), 2);
    ASSERT_TRUE(s.Run({ "FECHA #1", "SERIAL #2 7" }));
    EXPECT_EQ(s.Status(), 0);
    ::tcgetattr(pty.follower, &t);
    EXPECT_EQ(::cfgetospeed(&t), B9600);

    s.io.interrupts = 1;
    EXPECT_THROW(s.rt.RunInteractiveLine("LE #2 nada"), palavrino::core::InterruptAbort);
}

TEST(Serial, ArgumentErrorsAndPortsThatDoNotOpen)
{
    Session s;
    s.io.config["SERIAL/COM3"] = (s.dir.Path() / "nao-existe").string();
    ASSERT_TRUE(s.Run({ "SERIAL #1 3" }));
    EXPECT_EQ(s.Status(), 2);
    EXPECT_FALSE(s.rt.descriptors.IsOpen(1));
    s.dir.Write("arquivo", "x");
    s.io.config["SERIAL/COM4"] = (s.dir.Path() / "arquivo").string();
    ASSERT_TRUE(s.Run({ "SERIAL #1 4" }));
    EXPECT_EQ(s.Status(), 3); // not a serial line
    PtyPair pty;
    s.io.config["SERIAL/COM5"] = pty.name;
    ASSERT_TRUE(s.Run({ "SERIAL #1 5 12345 8 1 0" }));
    EXPECT_EQ(s.Status(), 1);
    ASSERT_TRUE(s.Run({ "SERIAL #1 5 9600 9 1 0" }));
    EXPECT_EQ(s.Status(), 1);
    EXPECT_EQ(s.io.written, "");

    for (const std::string line : { "SERIAL #1 70000", "SERIAL #1 0", "SERIAL #1 \"a\"" }) {
        s.io.written.clear();
        EXPECT_FALSE(s.Run({ line }));
        EXPECT_NE(s.io.written.find("Esperava n\xFAmero da porta serial"), std::string::npos) << line;
    }
    s.io.written.clear();
    EXPECT_FALSE(s.Run({ "SERIAL #1 5 9600 8 1" }));
    EXPECT_NE(
        s.io.written.find("Esperava quatro inteiros: velocidade, n\xFAmero de bits, n\xFAmero de bits de "
                          "parada e paridade"),
        std::string::npos);
}

TEST(Serial, ASignalEndsARead)
{
    PtyPair pty;
    if (pty.name.empty())
        GTEST_SKIP() << "no pseudo-terminal available";
    std::unique_ptr<palavrino::platform::SerialDevice> device;
    ASSERT_EQ(palavrino::platform::OpenSerial(pty.name, {}, device), palavrino::platform::SerialStatus::Ok);
    palavrino::devices::SerialPort port(std::move(device));
    palavrino::platform::InstallInterruptHandler();
    static_cast<void>(palavrino::platform::TakeInterruptRequest());
    std::thread raiser([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ::kill(::getpid(), SIGINT);
    });
    std::string line;
    EXPECT_EQ(port.ReadLine(line, palavrino::platform::InterruptPending),
        palavrino::devices::ReadStatus::Interrupted);
    raiser.join();
    EXPECT_TRUE(palavrino::platform::TakeInterruptRequest());
    // The other end hanging up ends a read with a failure.
    ::close(pty.leader);
    pty.leader = -1;
    EXPECT_EQ(port.ReadLine(line, nullptr), palavrino::devices::ReadStatus::Failed);
}
