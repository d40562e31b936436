// MSAA: follows the focus on the desktop and describes objects. Events are
// recorded by the platform's monitor while the script runs and taken here
// one by one (CHECA); the description of the object taken last stays for
// the reading options. Without an accessibility bus the user hears why
// once, and every option goes on giving "no object".
#include "commands/access/access_state.h"
#include "commands/access/cmd_access.h"
#include "commands/access/role_table.h"
#include "devices/byte_stream.h"
#include "encoding/encoding.h"
#include "interp/command_helpers.h"
#include "messages/access.h"

namespace palavrino::commands {

namespace {

    using core::Value;
    using core::ValueKind;
    using interp::Fail;
    using interp::Runtime;
    using platform::A11yStatus;

    AccessState& State(Runtime& rt)
    {
        return rt.family_states.Get<AccessState>();
    }

    platform::A11yMonitor& Monitor(Runtime& rt)
    {
        AccessState& s = State(rt);
        if (!s.monitor)
            s.monitor = s.open_monitor();
        return *s.monitor;
    }

    platform::A11yCancel CancelOf(Runtime& rt)
    {
        return [&rt] { return rt.io.TakeInterrupt(); };
    }

    // Handles the statuses every bus request shares; true when the request
    // gave an object.
    bool Settle(Runtime& rt, A11yStatus status)
    {
        if (status == A11yStatus::Interrupted)
            devices::ThrowInterrupted(rt);
        AccessState& s = State(rt);
        if (status == A11yStatus::NoBus && !s.told_no_bus) {
            s.told_no_bus = true;
            rt.WriteLineAndSpeak(msg::MSG_ACCESS_NO_BUS);
        }
        return status == A11yStatus::Ok;
    }

    bool ParseVariable(Runtime& rt, core::TargetRec& target)
    {
        return rt.lexer.Is(core::TokenKind::Word) && core::ParseTarget(rt, target, false);
    }

    // CHECA var: the oldest event's object, described; var := 1, or 0 when
    // no event waits or its object is gone.
    bool Checa(Runtime& rt)
    {
        core::TargetRec target;
        if (!ParseVariable(rt, target))
            return Fail(rt, msg::MSG_ACCESS_EXPECTED_VARIABLE);
        AccessState& s = State(rt);
        int32_t taken = 0;
        if (s.monitor) {
            platform::A11yObjectInfo info;
            const A11yStatus status = s.monitor->TakeOldest(info, CancelOf(rt));
            if (Settle(rt, status)) {
                s.current = DescribeObject(info);
                taken = 1;
            } else if (status != A11yStatus::Empty) {
                s.current = ObjectDescription {};
            }
        }
        return interp::AssignOrFail(rt, target, Value::Int(taken));
    }

    // CAPTURA x y: the deepest object under the screen point.
    bool Captura(Runtime& rt)
    {
        Value x;
        Value y;
        rt.ParseExpressionAs(x, ValueKind::Integer);
        if (x.is(ValueKind::Integer) && !rt.lexer.AtEnd())
            rt.ParseExpressionAs(y, ValueKind::Integer);
        if (!x.is(ValueKind::Integer) || !y.is(ValueKind::Integer))
            return Fail(rt, msg::MSG_ACCESS_EXPECTED_POINT);
        platform::A11yObjectInfo info;
        const A11yStatus status = Monitor(rt).ObjectAt(x.AsInt(), y.AsInt(), info, CancelOf(rt));
        State(rt).current = Settle(rt, status) ? DescribeObject(info) : ObjectDescription {};
        return true;
    }

    // AREA l t w h
    bool Area(Runtime& rt)
    {
        const ObjectDescription& d = State(rt).current;
        const int32_t values[] = { d.left, d.top, d.width, d.height };
        core::TargetRec targets[4];
        for (core::TargetRec& t : targets)
            if (!ParseVariable(rt, t))
                return Fail(rt, msg::MSG_ACCESS_EXPECTED_AREA_VARIABLES);
        for (size_t i = 0; i < 4; ++i)
            if (!interp::AssignOrFail(rt, targets[i], Value::Int(values[i])))
                return false;
        return true;
    }

    bool Read(Runtime& rt, Value value)
    {
        core::TargetRec target;
        if (!ParseVariable(rt, target))
            return Fail(rt, msg::MSG_ACCESS_EXPECTED_VARIABLE);
        return interp::AssignOrFail(rt, target, value);
    }

    bool RunOption(Runtime& rt, const std::string& option)
    {
        AccessState& s = State(rt);
        if (option == "MONITORA") {
            Settle(rt, Monitor(rt).Listen(CancelOf(rt)));
            return true;
        }
        if (option == "FIM") {
            if (s.monitor)
                Settle(rt, s.monitor->StopListening(CancelOf(rt)));
            return true;
        }
        if (option == "CHECA")
            return Checa(rt);
        if (option == "CAPTURA")
            return Captura(rt);
        if (option == "AREA")
            return Area(rt);
        if (option == "NOME")
            return Read(rt, Value::String(s.current.name));
        if (option == "CODIGO")
            return Read(rt, Value::Int(s.current.role_code));
        if (option == "TIPO")
            return Read(rt, Value::String(s.current.role_text));
        if (option == "ESTADO")
            return Read(rt, Value::String(s.current.state));
        if (option == "VALOR")
            return Read(rt, Value::String(s.current.value));
        return Fail(rt, msg::AccessBadModifier(option));
    }

} // namespace

ObjectDescription DescribeObject(const platform::A11yObjectInfo& info)
{
    ObjectDescription d;
    d.left = info.left;
    d.top = info.top;
    d.width = info.width;
    d.height = info.height;
    d.name = encoding::Utf8ToCp1252(info.name);
    const ScriptRole role = RoleForBusRole(info.role);
    d.role_code = role.code;
    if (role.code == 0)
        return d;
    d.role_text = std::string(role.text.substr(0, MAX_ROLE_TEXT));
    if (!info.enabled)
        d.state = msg::MSG_ACCESS_STATE_UNAVAILABLE;
    else if (info.checked)
        d.state = msg::MSG_ACCESS_STATE_CHECKED;
    d.value = encoding::Utf8ToCp1252(info.value);
    return d;
}

bool CmdMsaa(Runtime& rt)
{
    if (!rt.lexer.Is(core::TokenKind::Word))
        return Fail(rt, msg::MSG_ACCESS_EXPECTED_MODIFIER);
    const std::string option = rt.lexer.tok.text;
    rt.lexer.NextToken();
    return RunOption(rt, option);
}

} // namespace palavrino::commands
