// The parallel port through Linux ppdev: the device is opened and claimed
// for the life of the object, the data lines driven forward, and each
// register access is one ioctl. Errors come back as statuses; nothing
// here prints.
#include "platform/parallel_port.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace palavrino::platform {

namespace {

    constexpr std::uint8_t CONTROL_OUTPUT_LINES = 0x0F;

    ParallelStatus FromErrno(int error)
    {
        switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return ParallelStatus::NoDevice;
        case EACCES:
        case EPERM:
            return ParallelStatus::NoPermission;
        case ENOTTY:
        case EINVAL:
            return ParallelStatus::NotAPort;
        case EBUSY:
            return ParallelStatus::Busy;
        default:
            return ParallelStatus::Failed;
        }
    }

    class PpdevPort final : public ParallelPort {
    public:
        explicit PpdevPort(int fd)
            : m_fd(fd)
        {
        }
        ~PpdevPort() override
        {
            static_cast<void>(::ioctl(m_fd, PPRELEASE));
            ::close(m_fd);
        }
        PpdevPort(const PpdevPort&) = delete;
        PpdevPort& operator=(const PpdevPort&) = delete;

        ParallelStatus WriteData(std::uint8_t byte) override { return Write(PPWDATA, byte); }
        // Only the four output lines of the control register are written:
        // its direction bit would turn the data lines into inputs, and the
        // rows of a switch matrix are driven through them.
        ParallelStatus WriteControl(std::uint8_t byte) override
        {
            return Write(PPWCONTROL, static_cast<std::uint8_t>(byte & CONTROL_OUTPUT_LINES));
        }
        ParallelStatus ReadStatus(std::uint8_t& byte) override
        {
            unsigned char value = 0;
            if (::ioctl(m_fd, PPRSTATUS, &value) != 0)
                return FromErrno(errno);
            byte = value;
            return ParallelStatus::Ok;
        }

    private:
        ParallelStatus Write(unsigned long request, std::uint8_t byte)
        {
            unsigned char value = byte;
            return ::ioctl(m_fd, request, &value) == 0 ? ParallelStatus::Ok : FromErrno(errno);
        }
        int m_fd;
    };

} // namespace

ParallelStatus OpenParallelPort(const std::string& device, std::unique_ptr<ParallelPort>& port)
{
    port.reset();
    const int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return FromErrno(errno);
    if (::ioctl(fd, PPCLAIM) != 0) {
        const ParallelStatus s = FromErrno(errno);
        ::close(fd);
        return s;
    }
    // The sensors' rows are selected through the data lines: drive them.
    int forward = 0;
    if (::ioctl(fd, PPDATADIR, &forward) != 0) {
        const ParallelStatus s = FromErrno(errno);
        static_cast<void>(::ioctl(fd, PPRELEASE));
        ::close(fd);
        return s;
    }
    port = std::make_unique<PpdevPort>(fd);
    return ParallelStatus::Ok;
}

} // namespace palavrino::platform
