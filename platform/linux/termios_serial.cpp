// Serial ports with termios: raw 8-bit lines at the standard speeds, an
// exclusive open (TIOCEXCL) so a second user is refused, and reads that poll
// in short slices so the user's interrupt ends them.
#include "platform/serial.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace palavrino::platform {

namespace {

    speed_t SpeedConstant(int speed)
    {
        switch (speed) {
        case 50:
            return B50;
        case 75:
            return B75;
        case 110:
            return B110;
        case 134:
            return B134;
        case 150:
            return B150;
        case 200:
            return B200;
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 1800:
            return B1800;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 500000:
            return B500000;
        case 576000:
            return B576000;
        case 921600:
            return B921600;
        case 1000000:
            return B1000000;
        case 1152000:
            return B1152000;
        case 1500000:
            return B1500000;
        case 2000000:
            return B2000000;
        default:
            return B0;
        }
    }

    tcflag_t SizeFlag(int bits)
    {
        switch (bits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        case 8:
            return CS8;
        default:
            return 0;
        }
    }

    class TermiosPort final : public SerialDevice {
    public:
        explicit TermiosPort(int fd)
            : m_fd(fd)
        {
        }
        ~TermiosPort() override { Close(); }
        TermiosPort(const TermiosPort&) = delete;
        TermiosPort& operator=(const TermiosPort&) = delete;

        SerialIo Write(std::string_view bytes, const CancelCheck& cancel) override
        {
            size_t done = 0;
            while (done < bytes.size()) {
                if (m_fd < 0)
                    return SerialIo::Failed;
                ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
                if (n > 0) {
                    done += static_cast<size_t>(n);
                    continue;
                }
                if (n < 0 && errno != EAGAIN && errno != EINTR)
                    return SerialIo::Failed;
                SerialIo w = Wait(POLLOUT, cancel);
                if (w != SerialIo::Ok)
                    return w;
            }
            return SerialIo::Ok;
        }

        SerialIo ReadByte(unsigned char& byte, const CancelCheck& cancel) override
        {
            for (;;) {
                if (m_fd < 0)
                    return SerialIo::Failed;
                ssize_t n = ::read(m_fd, &byte, 1);
                if (n == 1)
                    return SerialIo::Ok;
                // 0 is a hang-up (the other end of a pseudo-terminal closed);
                // EIO likewise.
                if (n == 0 || (errno != EAGAIN && errno != EINTR))
                    return SerialIo::Failed;
                SerialIo w = Wait(POLLIN, cancel);
                if (w != SerialIo::Ok)
                    return w;
            }
        }

        bool Readable() override
        {
            if (m_fd < 0)
                return false;
            int queued = 0;
            return ::ioctl(m_fd, FIONREAD, &queued) == 0 && queued > 0;
        }

        void Close() override
        {
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = -1;
        }

    private:
        SerialIo Wait(short events, const CancelCheck& cancel)
        {
            for (;;) {
                if (cancel && cancel())
                    return SerialIo::Interrupted;
                pollfd p { m_fd, events, 0 };
                int r = ::poll(&p, 1, CANCEL_POLL_MS);
                if (r < 0 && errno != EINTR)
                    return SerialIo::Failed;
                if (r > 0) {
                    if (p.revents & (POLLERR | POLLNVAL))
                        return SerialIo::Failed;
                    if (p.revents & events)
                        return SerialIo::Ok;
                    if (p.revents & POLLHUP)
                        return SerialIo::Failed;
                }
            }
        }

        int m_fd { -1 };
    };

    SerialStatus Configure(int fd, const SerialSettings& s)
    {
        speed_t speed = SpeedConstant(s.speed);
        tcflag_t size = SizeFlag(s.data_bits & 0xFF);
        int stop = s.stop_bits & 0xFF;
        if (speed == B0 || size == 0 || (stop != 1 && stop != 2))
            return SerialStatus::BadSettings;
        termios t {};
        if (::tcgetattr(fd, &t) != 0)
            return SerialStatus::Refused;
        ::cfmakeraw(&t);
        t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
        t.c_cflag |= size | CREAD | CLOCAL;
        if (stop == 2)
            t.c_cflag |= CSTOPB;
        if (s.parity == 1)
            t.c_cflag |= PARENB | PARODD;
        else if (s.parity == 2)
            t.c_cflag |= PARENB;
        t.c_iflag &= ~(IXON | IXOFF | IXANY);
        t.c_cc[VMIN] = 1;
        t.c_cc[VTIME] = 0;
        if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0
            || ::tcsetattr(fd, TCSANOW, &t) != 0)
            return SerialStatus::Refused;
        // DTR and RTS on; a pseudo-terminal has no modem lines to set.
        int lines = TIOCM_DTR | TIOCM_RTS;
        static_cast<void>(::ioctl(fd, TIOCMBIS, &lines));
        return SerialStatus::Ok;
    }

} // namespace

SerialStatus OpenSerial(
    const std::string& device, const SerialSettings& settings, std::unique_ptr<SerialDevice>& port)
{
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return SerialStatus::OpenFailed;
    if (!::isatty(fd)) {
        ::close(fd);
        return SerialStatus::Refused;
    }
    // Exclusive use: a second open of the device fails (TIOCEXCL for other
    // programs, except root's; the lock for every program that also locks,
    // this one included).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || (::ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY)) {
        ::close(fd);
        return SerialStatus::OpenFailed;
    }
    SerialStatus s = Configure(fd, settings);
    if (s != SerialStatus::Ok) {
        ::close(fd);
        return s;
    }
    port = std::make_unique<TermiosPort>(fd);
    return SerialStatus::Ok;
}

} // namespace palavrino::platform
