// The descriptor commands ABRE, FECHA, ESCREVE, LE, OBSERVA and CHECA, the
// built-ins ABREARQ and FIMARQ/FDA, and the shared descriptor rules; see
// cmd_io.h. The console is slot -1: ESCREVE and LE without "#" write to it
// and read from it through the Runtime's HostIo. Each command leaves the
// running script's I/O status for CHECA as described beside it.
#include "commands/files/cmd_io.h"

#include "core/machine.h"
#include "devices/byte_stream.h"
#include "devices/descriptors.h"
#include "interp/command_helpers.h"
#include "interp/runtime.h"
#include "messages/core.h"
#include "messages/files.h"

#include <string>
#include <vector>

namespace palavrino::devices {

namespace {

    using core::TokenKind;
    using core::Value;
    using core::ValueKind;
    using interp::HostIo;
    using interp::Runtime;

    // The line editor's limit, which the plain key reader keeps too.
    constexpr int MAX_LINE_LENGTH = 255;

    int& IoStatus(Runtime& rt)
    {
        return rt.Slot().io_status;
    }

    // ---- Byte streams (connections and serial ports) ----

    // The connection or serial port open on n, or nullptr.
    ByteStream* StreamAt(Runtime& rt, int32_t n)
    {
        const Descriptor& d = rt.descriptors.At(n);
        return d.open ? dynamic_cast<ByteStream*>(d.stream.get()) : nullptr;
    }

    Cancel CancelOf(Runtime& rt)
    {
        return [&rt] { return rt.io.TakeInterrupt(); };
    }

    // A wait the user ended stops the run, as between lines.
    bool Succeeded(Runtime& rt, ReadStatus s)
    {
        if (s == ReadStatus::Interrupted) {
            IoStatus(rt) = 1;
            ThrowInterrupted(rt);
        }
        return s == ReadStatus::Ok;
    }

    // ---- Keyboard ----

    // A character as LE gives it: itself from 32 up, "#" and its code below.
    std::string CharText(int code)
    {
        if (code >= 32)
            return std::string(1, static_cast<char>(code));
        return "#" + core::IntToText(code);
    }

    // One key, spoken unless quiet; an extended key comes as "#0#" and its code.
    std::string ReadConsoleKey(HostIo& io, bool quiet)
    {
        int k = (quiet ? io.ReadKey() : io.ReadKeySpoken()) & 0xFF;
        if (k == 0)
            return "#0#" + core::IntToText(io.ReadKey() & 0xFF);
        return CharText(k);
    }

    // The characters of typed lines, one line after the other with nothing
    // between them; an empty line (or Escape) ends the input.
    class ConsoleChars {
    public:
        ConsoleChars(HostIo& io, bool quiet, bool echo)
            : m_io(io)
            , m_quiet(quiet)
            , m_echo(echo)
        {
        }

        int Next()
        {
            while (m_pos >= m_line.size()) {
                if (m_ended)
                    return -1;
                HostIo::LineRead r = m_quiet ? m_io.ReadPlainLine(!m_echo) : m_io.ReadLine(MAX_LINE_LENGTH);
                m_line = r.key == interp::KEY_ESCAPE ? std::string() : std::move(r.text);
                m_pos = 0;
                if (m_line.empty()) {
                    m_ended = true;
                    return -1;
                }
            }
            return static_cast<unsigned char>(m_line[m_pos++]);
        }

    private:
        HostIo& m_io;
        bool m_quiet;
        bool m_echo;
        std::string m_line;
        size_t m_pos { 0 };
        bool m_ended { false };
    };

    core::CharSource ConsoleCharSource(HostIo& io, bool quiet, bool echo)
    {
        auto chars = std::make_shared<ConsoleChars>(io, quiet, echo);
        return [chars] { return chars->Next(); };
    }

    // ---- ESCREVE ----

    // item { [":" width] [","] item } ["&"]
    bool WriteItems(Runtime& rt, int32_t n, bool mute)
    {
        core::TokenRec& t = rt.lexer.tok;
        std::string text;
        while (!rt.lexer.AtEnd() && !rt.lexer.Is(TokenKind::Ampersand)) {
            const char* start = t.token_start;
            Value item;
            rt.ParseExpression(item);
            if (t.token_start == start && !rt.lexer.AtEnd()) {
                // A token that starts no expression would otherwise stall here.
                std::string raw(t.raw);
                rt.lexer.SkipRestOfLine();
                return Fail(rt, msg::NotExpected(raw));
            }
            std::string piece = core::ValueToText(item);
            if (rt.lexer.Is(TokenKind::Colon)) {
                rt.lexer.NextToken();
                Value width;
                rt.ParseExpressionAs(width, ValueKind::Integer);
                if (width.is(ValueKind::Integer))
                    piece = core::PadText(piece, width.AsInt());
            }
            text += piece;
            if (rt.lexer.Is(TokenKind::Comma)) {
                text += ' ';
                rt.lexer.NextToken();
            }
        }
        bool line_end = true;
        if (rt.lexer.Is(TokenKind::Ampersand)) {
            line_end = false;
            rt.lexer.NextToken();
        }
        return WriteToDescriptor(rt, n, text, line_end, mute);
    }

    // "LISTA" list [separator]
    bool WriteList(Runtime& rt, int32_t n, bool mute)
    {
        rt.lexer.NextToken();
        Value list;
        rt.ParseExpression(list);
        if (!list.is(ValueKind::List))
            return Fail(rt, msg::MSG_EXPECTED_LIST);
        std::string separator;
        if (!rt.lexer.AtEnd()) {
            Value sep;
            rt.ParseExpression(sep);
            if (!sep.is(ValueKind::String))
                return Fail(rt, msg::MSG_EXPECTED_SEPARATOR);
            separator = sep.Text();
        }
        const core::ListObj& cells = list.List();
        auto element = [&cells](int32_t i) {
            return cells.IsHole(i) ? std::string("?") : core::ValueToText(cells.At(i));
        };
        if (separator.empty()) {
            for (int32_t i = 0; i < cells.Count(); ++i) {
                if (!WriteToDescriptor(rt, n, element(i), true, mute))
                    return false;
                if (IoStatus(rt) != 0)
                    break; // the file refuses more: its error stays for CHECA
            }
            return true;
        }
        // The joined elements and one line end: the same bytes as writing them
        // one by one, and the console speaks the line once.
        std::string text;
        for (int32_t i = 0; i < cells.Count(); ++i) {
            if (i > 0)
                text += separator;
            text += element(i);
        }
        return WriteToDescriptor(rt, n, text, true, mute);
    }

    // ---- LE ----

    enum class ReadState : uint8_t { Line, Character, List, Json };

    struct ReadRequest {
        int32_t slot { CONSOLE_DESCRIPTOR };
        bool has_prompt { false };
        std::string prompt;
        bool edit { false };
        bool mute { false };
        bool password { false };
        bool upper { false };
        bool integer { false };
        bool list { false };
        bool json { false };
        bool character { false };
        bool has_terminator { false };
        std::string terminator;
        core::TargetRec target;
        bool has_target { false };

        bool Quiet() const { return mute || password; }
        ReadState State() const
        {
            if (character)
                return ReadState::Character;
            if (list)
                return ReadState::List;
            if (json)
                return ReadState::Json;
            return ReadState::Line;
        }
    };

    // LE [prompt | "#" n] { modifier } variable [terminator] ["&"]
    bool ParseRead(Runtime& rt, ReadRequest& req)
    {
        core::Lexer& lx = rt.lexer;
        if (lx.Is(TokenKind::String)) {
            req.has_prompt = true;
            req.prompt = lx.tok.text;
            lx.NextToken();
        } else if (lx.Is(TokenKind::Hash)) {
            std::optional<int32_t> n = ParseDescriptor(rt);
            if (!n)
                return false;
            if (!rt.descriptors.IsOpen(*n))
                return Fail(rt, msg::NotOpen(*n));
            req.slot = *n;
        }
        while (lx.Is(TokenKind::Word)) {
            const std::string& w = lx.tok.text;
            bool* flag = w == "EDITA"               ? &req.edit
                : w == "MUDO"                       ? &req.mute
                : w == "SENHA"                      ? &req.password
                : w == "MAIUSC" || w == "MAIUSCULA" ? &req.upper
                : w == "INTEIRO"                    ? &req.integer
                : w == "LISTA"                      ? &req.list
                : w == "JSON"                       ? &req.json
                                                    : nullptr;
            if (!flag) {
                if (!core::ParseTarget(rt, req.target, false))
                    return false;
                req.has_target = true;
                break;
            }
            *flag = true;
            lx.NextToken();
        }
        if (req.has_target && req.list && !lx.AtEnd() && !lx.Is(TokenKind::Ampersand)) {
            Value term;
            rt.ParseExpressionAs(term, ValueKind::String);
            if (!term.is(ValueKind::String))
                return Fail(rt, msg::MSG_EXPECTED_TERMINATOR);
            req.has_terminator = true;
            req.terminator = term.Text();
        }
        if (lx.Is(TokenKind::Ampersand)) {
            req.character = true;
            lx.NextToken();
        }
        if (!req.has_target)
            return Fail(rt, msg::MSG_MISSING_VARIABLE);
        int exclusive = int(req.integer) + int(req.list) + int(req.json);
        if (exclusive > 1) {
            std::string_view which = exclusive == 3 ? "INTEIRO, LISTA e DICIONARIO"
                : !req.json                         ? "INTEIRO e LISTA"
                : req.integer                       ? "INTEIRO e DICIONARIO"
                                                    : "LISTA e DICIONARIO";
            return Fail(rt, msg::ConflictingLeModifiers(which));
        }
        if (req.slot != CONSOLE_DESCRIPTOR && (req.mute || req.password || req.edit))
            return Fail(rt, msg::MSG_KEYBOARD_ONLY);
        return true;
    }

    // A password (SENHA) is typed invisibly and is never spoken, shown or
    // recorded in the screen transcript.
    std::string ReadConsoleLine(Runtime& rt, const ReadRequest& req)
    {
        if (req.Quiet())
            return rt.io.ReadPlainLine(req.password).text;
        if (req.edit) {
            Value current = core::ReadTarget(rt, req.target);
            std::string text = core::ToText(current) == ValueKind::String ? current.Text() : std::string();
            HostIo::LineRead r = rt.io.EditLineToEdge(text, MAX_LINE_LENGTH);
            std::string line = r.key == interp::KEY_ESCAPE ? std::string() : r.text;
            rt.io.RecordLine(line);
            return line;
        }
        if (req.has_prompt)
            rt.io.WriteAndSpeak(req.prompt);
        HostIo::LineRead r = rt.io.ReadLine(MAX_LINE_LENGTH);
        return r.key == interp::KEY_ESCAPE ? std::string() : r.text;
    }

    // The keyboard list dialogue: lines up to the terminator (an empty line
    // without one). Escape also ends it, so a user who gives up, or input that
    // runs out, never leaves the dialogue waiting for a terminator.
    std::vector<std::string> ReadConsoleList(Runtime& rt, const ReadRequest& req)
    {
        if (!req.mute) {
            rt.io.WriteAndSpeak(msg::MSG_LIST_START);
            if (req.has_terminator)
                rt.io.WriteLineAndSpeak(msg::Join(msg::MSG_LIST_TERMINATOR_END, req.terminator));
            else
                rt.io.WriteLineAndSpeak(msg::MSG_LIST_EMPTY_END);
        }
        std::vector<std::string> lines;
        for (;;) {
            HostIo::LineRead r
                = req.Quiet() ? rt.io.ReadPlainLine(req.password) : rt.io.ReadLine(MAX_LINE_LENGTH);
            if (r.key == interp::KEY_ESCAPE)
                break;
            if (r.text == (req.has_terminator ? req.terminator : std::string()))
                break;
            lines.push_back(req.upper ? core::UpperText(r.text) : std::move(r.text));
        }
        if (!req.mute)
            rt.io.WriteLineAndSpeak(msg::MSG_LIST_END);
        return lines;
    }

    // Lines of a file up to its end or the terminator line. The I/O status is 1
    // when the file was already at its end, as for a single line.
    std::vector<std::string> ReadFileList(Runtime& rt, TextFile& file, const ReadRequest& req)
    {
        std::vector<std::string> lines;
        IoStatus(rt) = file.AtEnd() ? IO_END_OF_FILE : 0;
        std::string line;
        for (;;) {
            int status = file.ReadLine(line);
            if (status == IO_END_OF_FILE)
                break;
            if (status != 0) {
                IoStatus(rt) = status;
                break;
            }
            if (req.has_terminator && line == req.terminator)
                break;
            lines.push_back(req.upper ? core::UpperText(line) : line);
        }
        return lines;
    }

    // The line, character and list reads of a file; false after reporting when
    // the slot holds no file that can be read.
    bool ReadFromFile(Runtime& rt, const ReadRequest& req, Value& value)
    {
        TextFile* file = rt.descriptors.FileAt(req.slot);
        if (!file || !file->readable())
            return Fail(rt, msg::ProcessingFailed(req.slot));
        std::string text;
        switch (req.State()) {
        case ReadState::Line:
            if (file->AtEnd())
                IoStatus(rt) = IO_END_OF_FILE;
            else
                IoStatus(rt) = file->ReadLine(text);
            break;
        case ReadState::Character: {
            int c = file->AtEnd() ? -1 : file->ReadChar();
            if (c < 0)
                IoStatus(rt) = IO_END_OF_FILE;
            else
                text = CharText(c);
            break;
        }
        case ReadState::List:
            value = core::ListFromLines(ReadFileList(rt, *file, req));
            return true;
        case ReadState::Json:
            break;
        }
        value = Value::String(std::move(text));
        return true;
    }

    // Lines, a byte or a list from a connection or serial port. The I/O status
    // is 1 when a read failed: a time-out, the peer's end, an error.
    bool ReadFromStream(Runtime& rt, ByteStream& stream, const ReadRequest& req, Value& value)
    {
        std::string text;
        switch (req.State()) {
        case ReadState::Line:
            IoStatus(rt) = Succeeded(rt, stream.ReadLine(text, CancelOf(rt))) ? 0 : 1;
            break;
        case ReadState::Character: {
            int byte = 0;
            bool ok = Succeeded(rt, stream.ReadByte(byte, CancelOf(rt)));
            IoStatus(rt) = ok ? 0 : 1;
            if (ok)
                text = CharText(byte);
            break;
        }
        case ReadState::List: {
            // Lines up to the terminator, or up to a failed read; the
            // status tells when a terminator that was asked for never came.
            std::vector<std::string> lines;
            std::string line;
            bool ended = false;
            while (Succeeded(rt, stream.ReadLine(line, CancelOf(rt)))) {
                if (req.has_terminator && line == req.terminator) {
                    ended = true;
                    break;
                }
                lines.push_back(req.upper ? core::UpperText(line) : line);
            }
            IoStatus(rt) = ended || (!req.has_terminator && !lines.empty()) ? 0 : 1;
            value = core::ListFromLines(lines);
            return true;
        }
        case ReadState::Json:
            break;
        }
        value = Value::String(std::move(text));
        return true;
    }

    bool ReadFromConsole(Runtime& rt, const ReadRequest& req, Value& value)
    {
        switch (req.State()) {
        case ReadState::Line:
            value = Value::String(ReadConsoleLine(rt, req));
            break;
        case ReadState::Character:
            if (req.has_prompt && !req.Quiet())
                rt.io.WriteAndSpeak(req.prompt);
            value = Value::String(ReadConsoleKey(rt.io, req.Quiet()));
            break;
        case ReadState::List:
            if (req.has_prompt && !req.Quiet())
                rt.io.WriteAndSpeak(req.prompt);
            value = core::ListFromLines(ReadConsoleList(rt, req));
            break;
        case ReadState::Json:
            break;
        }
        return true;
    }

    bool ReadJson(Runtime& rt, const ReadRequest& req, Value& value)
    {
        core::CharSource source;
        if (req.slot == CONSOLE_DESCRIPTOR) {
            if (req.has_prompt && !req.Quiet())
                rt.io.WriteAndSpeak(req.prompt);
            source = ConsoleCharSource(rt.io, req.Quiet(), !req.password);
        } else {
            TextFile* file = rt.descriptors.FileAt(req.slot);
            if (!StreamAt(rt, req.slot) && (!file || !file->readable()))
                return Fail(rt, msg::ProcessingFailed(req.slot));
            source = DescriptorCharSource(rt, req.slot);
        }
        core::ReadJsonValue(rt, source, req.slot == CONSOLE_DESCRIPTOR, value);
        if (value.is(ValueKind::Invalid))
            return Fail(rt, msg::ReadErrorUnchanged(req.target.entry->name));
        return true;
    }

    // MAIUSC and INTEIRO, for a line or a character.
    void Convert(const ReadRequest& req, Value& value)
    {
        if (!value.is(ValueKind::String))
            return;
        if (req.upper)
            value = Value::String(core::UpperText(value.Text()));
        int32_t n = 0;
        if (req.integer && core::IsIntegerText(value.Text(), &n))
            value = Value::Int(n);
    }

} // namespace

// ---- Shared descriptor rules ----

std::optional<int32_t> ParseDescriptor(Runtime& rt)
{
    if (!rt.lexer.Is(TokenKind::Hash)) {
        rt.ReportErrorHere(msg::MSG_EXPECTED_DESCRIPTOR);
        return std::nullopt;
    }
    rt.lexer.NextToken();
    Value v;
    rt.ParseExpression(v);
    int32_t n = 0;
    if (v.is(ValueKind::String) && core::IsIntegerText(v.Text(), &n))
        v = Value::Int(n);
    if (!v.is(ValueKind::Integer) || !DescriptorTable::IsScriptDescriptor(v.AsInt())) {
        rt.ReportErrorHere(msg::MSG_INVALID_DESCRIPTOR);
        return std::nullopt;
    }
    return v.AsInt();
}

bool CheckDescriptorFree(Runtime& rt, int32_t n)
{
    if (!rt.descriptors.IsOpen(n))
        return true;
    return Fail(rt, msg::DescriptorAlreadyOpen(n));
}

bool WriteToDescriptor(Runtime& rt, int32_t n, std::string_view text, bool line_end, bool mute)
{
    if (n == CONSOLE_DESCRIPTOR) {
        // An empty text has nothing to say, and speaking it would cut
        // short whatever is being said.
        if (mute || text.empty())
            rt.io.Write(text);
        else
            rt.io.WriteAndSpeak(text);
        if (line_end)
            rt.io.NewLine();
        return true;
    }
    if (ByteStream* stream = StreamAt(rt, n)) {
        IoStatus(rt) = Succeeded(rt, stream->Write(text, line_end, CancelOf(rt))) ? 0 : 1;
        return true;
    }
    TextFile* file = rt.descriptors.FileAt(n);
    if (!file)
        return Fail(rt, msg::ProcessingFailed(n));
    IoStatus(rt) = file->Write(text, line_end);
    return true;
}

core::CharSource DescriptorCharSource(Runtime& rt, int32_t n)
{
    if (n == CONSOLE_DESCRIPTOR)
        return ConsoleCharSource(rt.io, false, true);
    if (StreamAt(rt, n)) {
        // Each byte as it comes; the end when a read fails.
        return [&rt, n] {
            ByteStream* stream = StreamAt(rt, n);
            int byte = -1;
            if (!stream || !Succeeded(rt, stream->ReadByte(byte, CancelOf(rt))))
                return -1;
            return byte;
        };
    }
    DescriptorTable& table = rt.descriptors;
    return [&table, n] {
        TextFile* file = table.FileAt(n);
        return file ? file->ReadChar() : -1;
    };
}

// ---- Commands ----

namespace {

    // A refused command leaves the rest of its line unread: its own message
    // says what went wrong, and nothing more is to be said about the line.
    bool Finish(Runtime& rt, bool ok)
    {
        if (!ok)
            rt.lexer.SkipRestOfLine();
        return ok;
    }

    // ABRE [MUDO] "#" n name ["&"]
    bool RunAbre(Runtime& rt)
    {
        bool mute = rt.lexer.TokenIsWord("MUDO");
        if (mute)
            rt.lexer.NextToken();
        std::optional<int32_t> n = ParseDescriptor(rt);
        if (!n)
            return false;
        Value name;
        rt.ParseExpression(name);
        if (!name.is(ValueKind::String) || name.Text().empty())
            return Fail(rt, msg::MSG_EXPECTED_FILE_NAME);
        bool append = rt.lexer.Is(TokenKind::Ampersand);
        if (append)
            rt.lexer.NextToken();
        if (!CheckDescriptorFree(rt, *n))
            return false;
        int status = rt.descriptors.OpenFile(*n, name.Text(), append ? FileMode::Append : FileMode::Read);
        IoStatus(rt) = status == 0 ? 0 : 1;
        if (status != 0 && !mute)
            return Fail(rt, msg::Join(msg::MSG_OPEN_FAILED, name.Text()));
        return true;
    }

    // FECHA "#" n
    bool RunFecha(Runtime& rt)
    {
        std::optional<int32_t> n = ParseDescriptor(rt);
        if (!n)
            return false;
        // Writes that failed while the script never asked CHECA lost data;
        // the script stops rather than end as if all was written.
        TextFile* file = rt.descriptors.FileAt(*n);
        const bool lost_data = file && file->unread_write_failure() != 0;
        const std::string name = lost_data ? file->name() : std::string();
        const int status = rt.descriptors.Close(*n);
        if (lost_data)
            return Fail(rt, msg::Join(msg::MSG_FILE_WRITE_FAILED, name));
        if (status != 0)
            return Fail(rt, msg::CloseFailed(*n));
        return true;
    }

    // ESCREVE ["#" n | MUDO] (items | LISTA list [separator])
    bool RunEscreve(Runtime& rt)
    {
        IoStatus(rt) = 0;
        int32_t n = CONSOLE_DESCRIPTOR;
        bool mute = false;
        if (rt.lexer.Is(TokenKind::Hash)) {
            std::optional<int32_t> d = ParseDescriptor(rt);
            if (!d)
                return false;
            n = *d;
        } else if (rt.lexer.TokenIsWord("MUDO")) {
            mute = true;
            rt.lexer.NextToken();
        }
        bool ok = rt.lexer.TokenIsWord("LISTA") ? WriteList(rt, n, mute) : WriteItems(rt, n, mute);
        if (ok)
            rt.io.WaitSpeechOrKey();
        return ok;
    }

    bool RunLe(Runtime& rt)
    {
        IoStatus(rt) = 0;
        if (rt.lexer.AtEnd()) {
            // A bare LE waits for Enter.
            static_cast<void>(rt.io.ReadLine(MAX_LINE_LENGTH));
            return true;
        }
        ReadRequest req;
        if (!ParseRead(rt, req))
            return false;
        Value value;
        bool ok = true;
        if (req.State() == ReadState::Json)
            ok = ReadJson(rt, req, value);
        else if (req.slot == CONSOLE_DESCRIPTOR)
            ok = ReadFromConsole(rt, req, value);
        else if (ByteStream* stream = StreamAt(rt, req.slot))
            ok = ReadFromStream(rt, *stream, req, value);
        else
            ok = ReadFromFile(rt, req, value);
        if (!ok)
            return false;
        if (req.State() == ReadState::Line || req.State() == ReadState::Character)
            Convert(req, value);
        return core::AssignTarget(rt, req.target, value);
    }

    // OBSERVA (TECLADO | "#" n) variable
    bool RunObserva(Runtime& rt)
    {
        int32_t n = CONSOLE_DESCRIPTOR;
        if (rt.lexer.TokenIsWord("TECLADO")) {
            rt.lexer.NextToken();
        } else {
            std::optional<int32_t> d = ParseDescriptor(rt);
            if (!d)
                return false;
            n = *d;
        }
        core::TargetRec target;
        if (!core::ParseTarget(rt, target, false))
            return false;
        // A file never has input waiting: what it holds is read at once. A
        // slot that is not open has nothing either.
        bool waiting = false;
        if (n == CONSOLE_DESCRIPTOR)
            waiting = rt.io.KeyPressed();
        else if (ByteStream* stream = StreamAt(rt, n))
            waiting = stream->HasInput();
        return core::AssignTarget(rt, target, Value::Int(waiting ? 1 : 0));
    }

    // CHECA variable
    bool RunCheca(Runtime& rt)
    {
        core::TargetRec target;
        if (!core::ParseTarget(rt, target, false))
            return false;
        rt.descriptors.AcknowledgeWriteFailures(IoStatus(rt));
        return core::AssignTarget(rt, target, Value::Int(IoStatus(rt)));
    }

} // namespace

bool CmdAbre(Runtime& rt)
{
    return Finish(rt, RunAbre(rt));
}
bool CmdFecha(Runtime& rt)
{
    return Finish(rt, RunFecha(rt));
}
bool CmdEscreve(Runtime& rt)
{
    return Finish(rt, RunEscreve(rt));
}
bool CmdLe(Runtime& rt)
{
    return Finish(rt, RunLe(rt));
}
bool CmdObserva(Runtime& rt)
{
    return Finish(rt, RunObserva(rt));
}
bool CmdCheca(Runtime& rt)
{
    return Finish(rt, RunCheca(rt));
}

// ---- Built-ins ----

// ABREARQ (descriptor, name, "A" | "E" | "L"): 1 when opened, else 0.
bool FnAbrearq(core::Machine& m)
{
    auto& rt = static_cast<Runtime&>(m);
    IoStatus(rt) = 0;
    const Value& n = m.Arg(1);
    const Value& name = m.Arg(2);
    const Value& mode = m.Arg(3);
    if (!n.is(ValueKind::Integer) || !DescriptorTable::IsScriptDescriptor(n.AsInt())
        || !name.is(ValueKind::String) || !mode.is(ValueKind::String))
        return false;
    std::string how = core::UpperText(mode.Text());
    FileMode file_mode;
    if (how == "A")
        file_mode = FileMode::Append;
    else if (how == "E")
        file_mode = FileMode::Create;
    else if (how == "L")
        file_mode = FileMode::Read;
    else
        return false;
    int status
        = rt.descriptors.IsOpen(n.AsInt()) ? 1 : rt.descriptors.OpenFile(n.AsInt(), name.Text(), file_mode);
    IoStatus(rt) = status == 0 ? 0 : 1;
    m.Result() = Value::Int(status == 0 ? 1 : 0);
    return true;
}

// FIMARQ and FDA (descriptor): 1 when it is an open file at its end.
bool FnFimarq(core::Machine& m)
{
    auto& rt = static_cast<Runtime&>(m);
    const Value& n = m.Arg(1);
    if (!n.is(ValueKind::Integer) || !DescriptorTable::IsScriptDescriptor(n.AsInt()))
        return false;
    m.Result() = Value::Int(rt.descriptors.AtFileEnd(n.AsInt()) ? 1 : 0);
    return true;
}

} // namespace palavrino::devices
