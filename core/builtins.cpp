// The built-in function table and the routines of the built-ins that need
// nothing beyond values and the clock. The file and folder built-ins
// (ABREARQ, CONTEUDO, DIRETORIO, FIMARQ/FDA) belong to the devices and are
// installed by the interpreter. A routine reads argument k with Arg(k) and
// writes Result(); returning false makes the call's result "indefinido".
#include "core/char_tables.h"
#include "core/machine.h"
#include "messages/core.h"

#include <ctime>

namespace palavrino::core {

const std::array<BuiltinRow, BUILTIN_COUNT>& BuiltinTable()
{
    static constexpr std::array<BuiltinRow, BUILTIN_COUNT> table = { {
        { "ABREARQ", 3, NATIVE_HASH_ALLOWED },
        { "CHAVES", 1, 0 },
        { "CHR", 1, 0 },
        { "CONTEUDO", 2, NATIVE_NEEDS_PARENS },
        { "DATA", 0, 0 },
        { "DIA", 0, 0 },
        { "DIRETORIO", 2, NATIVE_NEEDS_PARENS },
        { "DUPLICA", 1, 0 },
        { "FALSO", 0, NATIVE_CONSTANT },
        { "FIMARQ", 1, NATIVE_HASH_ALLOWED },
        { "FDA", 1, NATIVE_HASH_ALLOWED },
        { "HORA", 0, 0 },
        { "INDEFINIDO", 0, NATIVE_CONSTANT },
        { "INSERE", 3, 0 },
        { "INTEIRO", 1, 0 },
        { "MAIUSC", 1, 0 },
        { "MAP", 2, 0 },
        { "NAO", 1, 0 },
        { "ORD", 1, 0 },
        { "PALAVRA", 2, 0 },
        { "POS", 2, 0 },
        { "RAND", 1, 0 },
        { "RETIRA", 2, 0 },
        { "TAMANHO", 1, 0 },
        { "TEMPO", 0, 0 },
        { "TIPO", 1, 0 },
        { "TRIM", 1, 0 },
        { "VERDADEIRO", 0, NATIVE_CONSTANT },
    } };
    return table;
}

namespace {

    bool FnChaves(Machine& m)
    {
        if (m.Arg(1).is(ValueKind::Dictionary))
            m.Result() = DictKeys(m.Arg(1).Dict());
        else
            m.Result() = Value::Undefined();
        return true;
    }

    bool FnChr(Machine& m)
    {
        Value& a = m.Arg(1);
        if (ToInteger(a) != ValueKind::Integer)
            return false;
        m.Result() = Value::String(std::string(1, static_cast<char>(a.AsInt() & 0xFF)));
        return true;
    }

    bool FnDuplica(Machine& m)
    {
        Value& a = m.Arg(1);
        if (!a.IsObject())
            return false;
        m.Result() = DeepCopy(a);
        return true;
    }

    bool FnFalso(Machine& m)
    {
        m.Result() = Value::Int(0);
        return true;
    }

    bool FnVerdadeiro(Machine& m)
    {
        m.Result() = Value::Int(1);
        return true;
    }

    bool FnIndefinido(Machine& m)
    {
        m.Result() = Value::Undefined();
        return true;
    }

    bool FnInsere(Machine& m)
    {
        Value& container = m.Arg(1);
        Value& where = m.Arg(2);
        const Value& value = m.Arg(3);
        if (value.is(ValueKind::Invalid))
            return false;
        if (container.is(ValueKind::List)) {
            if (ToInteger(where) != ValueKind::Integer)
                return false;
            ListInsert(container.List(), where.AsInt(), value);
        } else if (container.is(ValueKind::Dictionary)) {
            if (!where.is(ValueKind::Integer) && !where.is(ValueKind::String))
                return false;
            DictSetByValue(container.Dict(), where, value);
        } else {
            return false;
        }
        m.Result() = Value::Int(1);
        return true;
    }

    bool FnInteiro(Machine& m)
    {
        Value& a = m.Arg(1);
        if (a.is(ValueKind::String))
            ToInteger(a);
        m.Result() = a.is(ValueKind::Integer) ? a : Value::Undefined();
        return true;
    }

    bool FnMaiusc(Machine& m)
    {
        Value& a = m.Arg(1);
        if (ToText(a) != ValueKind::String)
            return false;
        m.Result() = Value::String(UpperText(a.Text()));
        return true;
    }

    bool FnMap(Machine& m)
    {
        const Value& fname = m.Arg(1);
        const Value& list = m.Arg(2);
        if (!fname.is(ValueKind::String) || !list.is(ValueKind::List))
            return false;
        // Looked up with the running built-in as owner, so only built-ins (which
        // ignore owners) are found: user functions cannot be mapped.
        std::string name = FoldName(fname.Text());
        SymtbEntry* e = m.symbols.FindOrAddSymbol(m.current_slot, m.current_function, name, false);
        if (!e || e->kind != SymbolKind::Native || e->value1 != 1)
            return false;
        Value out = Value::NewList();
        // The argument list may be changed by nothing here, but keep our own
        // reference so the cells stay alive while functions run.
        Value source = list;
        const ListObj& cells = source.List();
        for (int32_t i = 0; i < cells.Count(); ++i) {
            if (cells.IsHole(i)) {
                out.List().Append(Value::Undefined());
                continue;
            }
            Value arg = DeepCopy(cells.At(i));
            Value r;
            m.CallFunction(name, e, r, 1, &arg);
            out.List().Append(std::move(r));
        }
        m.Result() = std::move(out);
        return true;
    }

    bool FnNao(Machine& m)
    {
        Value& a = m.Arg(1);
        if (ToInteger(a) != ValueKind::Integer)
            return false;
        m.Result() = Value::Int(a.AsInt() == 0 ? 1 : 0);
        return true;
    }

    bool FnOrd(Machine& m)
    {
        const Value& a = m.Arg(1);
        if (a.is(ValueKind::String) && !a.Text().empty())
            m.Result() = Value::Int(static_cast<unsigned char>(a.Text()[0]));
        else
            m.Result() = Value::Undefined();
        return true;
    }

    bool FnPalavra(Machine& m)
    {
        Value& n = m.Arg(1);
        const Value& text = m.Arg(2);
        if (ToInteger(n) != ValueKind::Integer || !text.is(ValueKind::String))
            return false;
        Value words = SplitWords(text.Text());
        int32_t k = n.AsInt();
        m.Result()
            = (k >= 1 && k <= words.List().Count()) ? ListGet(words.List(), k - 1) : Value::Undefined();
        return true;
    }

    bool FnPos(Machine& m)
    {
        Value& needle = m.Arg(1);
        const Value& hay = m.Arg(2);
        if (hay.is(ValueKind::List)) {
            m.Result() = Value::Int(ListFind(hay.List(), 0, needle));
            return true;
        }
        if (ToText(needle) != ValueKind::String || !hay.is(ValueKind::String))
            return false;
        const std::string& n = needle.Text();
        size_t at = n.empty() ? std::string::npos : hay.Text().find(n);
        m.Result() = Value::Int(at == std::string::npos ? 0 : static_cast<int32_t>(at) + 1);
        return true;
    }

    bool FnRand(Machine& m)
    {
        Value& a = m.Arg(1);
        if (ToInteger(a) != ValueKind::Integer)
            return false;
        int64_t limit = a.AsInt();
        if (limit < 0)
            limit = -limit;
        m.Result()
            = Value::Int(limit == 0 ? 0 : static_cast<int32_t>(m.RandomBelow(static_cast<uint32_t>(limit))));
        return true;
    }

    bool FnRetira(Machine& m)
    {
        Value& container = m.Arg(1);
        Value& where = m.Arg(2);
        Value removed;
        if (container.is(ValueKind::List)) {
            if (ToInteger(where) != ValueKind::Integer)
                return false;
            removed = ListRemove(container.List(), where.AsInt());
        } else if (container.is(ValueKind::Dictionary)) {
            if (!where.is(ValueKind::Integer) && !where.is(ValueKind::String))
                return false;
            removed = DictRemove(container.Dict(), where);
        } else {
            return false;
        }
        m.Result() = removed.is(ValueKind::Invalid) ? Value::Undefined() : std::move(removed);
        return true;
    }

    bool FnTamanho(Machine& m)
    {
        const Value& a = m.Arg(1);
        // Values without a measure (and an omitted argument) count as 0, so
        // TAMANHO always yields a number a script can compare.
        Value size = SizeOf(a);
        m.Result() = size.is(ValueKind::Integer) ? size : Value::Int(0);
        return true;
    }

    bool FnTipo(Machine& m)
    {
        m.Result() = Value::String(std::string(KindName(m.Arg(1).kind())));
        return true;
    }

    bool FnTrim(Machine& m)
    {
        Value& a = m.Arg(1);
        if (ToText(a) != ValueKind::String)
            return false;
        const std::string& s = a.Text();
        size_t b = 0;
        size_t e = s.size();
        while (b < e && static_cast<unsigned char>(s[b]) <= 32)
            ++b;
        while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
            --e;
        m.Result() = Value::String(s.substr(b, e - b));
        return true;
    }

    std::string TwoDigits(int n)
    {
        std::string s = IntToText(n);
        return s.size() == 1 ? "0" + s : s;
    }

    bool FnData(Machine& m)
    {
        ClockReading c = m.ReadClock();
        m.Result() = Value::String(TwoDigits(c.day) + "/" + TwoDigits(c.month) + "/" + IntToText(c.year));
        return true;
    }

    bool FnHora(Machine& m)
    {
        ClockReading c = m.ReadClock();
        m.Result() = Value::String(TwoDigits(c.hour) + ":" + TwoDigits(c.minute) + ":" + TwoDigits(c.second));
        return true;
    }

    bool FnDia(Machine& m)
    {
        static constexpr std::array<std::string_view, 7> names = {
            msg::MSG_DAY_SUNDAY,
            msg::MSG_DAY_MONDAY,
            msg::MSG_DAY_TUESDAY,
            msg::MSG_DAY_WEDNESDAY,
            msg::MSG_DAY_THURSDAY,
            msg::MSG_DAY_FRIDAY,
            msg::MSG_DAY_SATURDAY,
        };
        ClockReading c = m.ReadClock();
        m.Result() = Value::String(std::string(names[static_cast<size_t>(c.weekday % 7)]));
        return true;
    }

    bool FnTempo(Machine& m)
    {
        m.SettleStartTime();
        ClockReading c = m.ReadClock();
        int64_t days = c.weekday - m.start_weekday;
        if (days < 0)
            days += 7;
        int64_t now = (c.hour + 24 * days) * 360000 + c.minute * 6000 + c.second * 100 + c.hundredths;
        m.Result() = Value::String(std::to_string(now - m.start_time));
        return true;
    }

} // namespace

ClockInstant SystemInstant()
{
    struct timespec ts { };
    timespec_get(&ts, TIME_UTC);
    return { static_cast<int64_t>(ts.tv_sec), static_cast<int32_t>(ts.tv_nsec) };
}

ClockReading LocalClockAt(ClockInstant at)
{
    std::tm tm {};
    const time_t secs = static_cast<time_t>(at.seconds);
    localtime_r(&secs, &tm);
    return { tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
        at.nanoseconds / 10'000'000, tm.tm_wday };
}

ClockReading SystemClock()
{
    return LocalClockAt(SystemInstant());
}

std::array<NativeFn, BUILTIN_COUNT> CoreBuiltinHandlers()
{
    std::array<NativeFn, BUILTIN_COUNT> h {};
    auto set = [&h](BuiltinId id, NativeFn fn) { h[static_cast<size_t>(id)] = fn; };
    set(BuiltinId::Chaves, FnChaves);
    set(BuiltinId::Chr, FnChr);
    set(BuiltinId::Data, FnData);
    set(BuiltinId::Dia, FnDia);
    set(BuiltinId::Duplica, FnDuplica);
    set(BuiltinId::Falso, FnFalso);
    set(BuiltinId::Hora, FnHora);
    set(BuiltinId::Indefinido, FnIndefinido);
    set(BuiltinId::Insere, FnInsere);
    set(BuiltinId::Inteiro, FnInteiro);
    set(BuiltinId::Maiusc, FnMaiusc);
    set(BuiltinId::Map, FnMap);
    set(BuiltinId::Nao, FnNao);
    set(BuiltinId::Ord, FnOrd);
    set(BuiltinId::Palavra, FnPalavra);
    set(BuiltinId::Pos, FnPos);
    set(BuiltinId::Rand, FnRand);
    set(BuiltinId::Retira, FnRetira);
    set(BuiltinId::Tamanho, FnTamanho);
    set(BuiltinId::Tempo, FnTempo);
    set(BuiltinId::Tipo, FnTipo);
    set(BuiltinId::Trim, FnTrim);
    set(BuiltinId::Verdadeiro, FnVerdadeiro);
    return h;
}

} // namespace palavrino::core
