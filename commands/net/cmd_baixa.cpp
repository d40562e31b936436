// BAIXA [MUDO] url file [variable] ["&"]: downloads one URL into a file.
// MUDO silences the two progress lines, "&" the error messages (not the
// failure); the variable receives the content type. The download lands in
// a temporary file that replaces the target only when it came whole.
#include "commands/net/cmd_net.h"
#include "core/char_tables.h"
#include "devices/download.h"
#include "interp/runtime.h"
#include "messages/net.h"

namespace palavrino::commands {

namespace {

    using core::TokenKind;
    using core::Value;
    using core::ValueKind;
    using devices::DownloadResult;
    using interp::Runtime;

    std::string Int64Text(int64_t n)
    {
        return std::to_string(n);
    }

    // The message of a failed download; empty for those that stop the
    // script silently.
    std::string FailureText(const devices::DownloadOutcome& out, const std::string& file)
    {
        switch (out.result) {
        case DownloadResult::ConnectFailed:
            return std::string(msg::MSG_NO_CONNECTION);
        case DownloadResult::CreateFailed:
            return std::string(msg::MSG_DOWNLOAD_CREATE_FAILED) + file;
        case DownloadResult::WriteFailed:
            return std::string(msg::MSG_DOWNLOAD_WRITE_FAILED);
        case DownloadResult::SizeMismatch:
            return std::string(msg::MSG_SIZE_EXPECTED) + Int64Text(out.head.content_length)
                + std::string(msg::MSG_SIZE_RECEIVED) + Int64Text(out.received);
        case DownloadResult::TooManyRedirects:
            return std::string(msg::MSG_TOO_MANY_REDIRECTS);
        case DownloadResult::NoResponse:
            return std::string(msg::MSG_NO_RESPONSE);
        case DownloadResult::Incomplete:
            return std::string(msg::MSG_TRANSFER_CUT);
        case DownloadResult::TimedOut:
            return std::string(msg::MSG_TRANSFER_STALLED);
        case DownloadResult::Ok:
        case DownloadResult::BadUrl:
        case DownloadResult::Interrupted:
            break;
        }
        return {};
    }

    bool RunBaixa(Runtime& rt)
    {
        bool mute = rt.lexer.TokenIsWord("MUDO");
        if (mute)
            rt.lexer.NextToken();
        Value url;
        rt.ParseExpression(url);
        Value file;
        rt.ParseExpression(file);
        if (!url.is(ValueKind::String) || !file.is(ValueKind::String)) {
            rt.ReportErrorHere(msg::MSG_EXPECTED_URL_AND_FILE);
            return false;
        }
        core::TargetRec target;
        bool has_target = !rt.lexer.AtEnd() && !rt.lexer.Is(TokenKind::Ampersand);
        if (has_target && !core::ParseTarget(rt, target, false))
            return false;
        bool silent = rt.lexer.Is(TokenKind::Ampersand);
        if (silent)
            rt.lexer.NextToken();
        rt.descriptors.network.started = true;

        devices::DownloadJob job;
        job.url = url.Text();
        job.file = file.Text();
        job.tls = ReadTlsSettings(rt);
        job.on_start = [&rt, mute](const devices::ResponseHead& head) {
            if (!mute && head.content_length > 0)
                rt.io.WriteLineAndSpeak(std::string(msg::MSG_DOWNLOADING) + Int64Text(head.content_length)
                    + std::string(msg::MSG_DOWNLOADING_TYPE) + head.content_type);
        };
        devices::DownloadOutcome out
            = devices::DownloadToFile(job, platform::HttpGet, [&rt] { return rt.io.TakeInterrupt(); });
        int& status = rt.Slot().io_status;
        status = out.result == DownloadResult::Ok ? 0 : 1;
        if (out.result == DownloadResult::Interrupted)
            devices::ThrowInterrupted(rt);
        if (out.result != DownloadResult::Ok) {
            std::string text = FailureText(out, job.file);
            if (!silent && !text.empty())
                rt.ReportErrorHere(text);
            return false;
        }
        if (!mute)
            rt.io.WriteLineAndSpeak(std::string(msg::MSG_DOWNLOADED) + job.file);
        if (has_target)
            return core::AssignTarget(rt, target, Value::String(out.head.content_type));
        return true;
    }

} // namespace

bool CmdBaixa(Runtime& rt)
{
    bool ok = RunBaixa(rt);
    if (!ok)
        rt.lexer.SkipRestOfLine();
    return ok;
}

} // namespace palavrino::commands
