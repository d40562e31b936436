// The one table of roles: the bus's role names to the role numbers, and
// the numbers to their Portuguese names (Windows-1252).
#include "commands/access/role_table.h"

#include <algorithm>
#include <array>

namespace palavrino::commands {

namespace {

    struct RoleName {
        int32_t code;
        std::string_view text;
    };

    constexpr RoleName NAMES[] = {
        { 1, "barra de t\xEDtulo" },
        { 2, "barra de menus" },
        { 3, "barra de rolagem" },
        { 8, "alerta" },
        { 9, "janela" },
        { 10, "cliente" },
        { 11, "menu suspenso" },
        { 12, "item de menu" },
        { 13, "dica" },
        { 14, "aplicativo" },
        { 15, "documento" },
        { 16, "painel" },
        { 17,
            "gr\xE1"
            "fico" },
        { 18, "caixa de di\xE1logo" },
        { 20, "agrupamento" },
        { 21, "separador" },
        { 22, "barra de ferramentas" },
        { 23, "barra de status" },
        { 24, "tabela" },
        { 25,
            "cabe\xE7"
            "alho de coluna" },
        { 26,
            "cabe\xE7"
            "alho de linha" },
        { 28, "linha" },
        { 29, "c\xE9lula" },
        { 30, "link" },
        { 33, "lista" },
        { 34, "item de lista" },
        { 35, "\xE1rvore" },
        { 36, "item de \xE1rvore" },
        { 37, "guia" },
        { 40, "imagem" },
        { 41, "texto" },
        { 42, "texto edit\xE1vel" },
        { 43, "bot\xE3o" },
        { 44, "caixa de sele\xE7\xE3o" },
        { 45, "bot\xE3o de op\xE7\xE3o" },
        { 46, "caixa de combina\xE7\xE3o" },
        { 48, "barra de progresso" },
        { 49, "mostrador" },
        { 51, "controle deslizante" },
        { 52, "bot\xE3o de rota\xE7\xE3o" },
        { 54, "anima\xE7\xE3o" },
        { 57, "bot\xE3o de menu" },
        { 60, "lista de guias" },
    };

    constexpr RoleRow ROWS[] = {
        { "title bar", 1 },
        { "menu bar", 2 },
        { "scroll bar", 3 },
        { "alert", 8 },
        { "notification", 8 },
        { "window", 9 },
        { "frame", 9 },
        { "internal frame", 9 },
        { "desktop frame", 9 },
        { "popup menu", 11 },
        { "menu", 12 },
        { "menu item", 12 },
        { "check menu item", 12 },
        { "radio menu item", 12 },
        { "tearoff menu item", 12 },
        { "tool tip", 13 },
        { "application", 14 },
        { "document frame", 15 },
        { "document text", 15 },
        { "document web", 15 },
        { "document spreadsheet", 15 },
        { "document presentation", 15 },
        { "document email", 15 },
        { "panel", 16 },
        { "scroll pane", 16 },
        { "split pane", 16 },
        { "viewport", 16 },
        { "layered pane", 16 },
        { "root pane", 16 },
        { "glass pane", 16 },
        { "option pane", 16 },
        { "chart", 17 },
        { "dialog", 18 },
        { "file chooser", 18 },
        { "color chooser", 18 },
        { "font chooser", 18 },
        { "filler", 20 },
        { "grouping", 20 },
        { "section", 20 },
        { "form", 20 },
        { "separator", 21 },
        { "tool bar", 22 },
        { "editbar", 22 },
        { "status bar", 23 },
        { "table", 24 },
        { "column header", 25 },
        { "table column header", 25 },
        { "row header", 26 },
        { "table row header", 26 },
        { "table row", 28 },
        { "table cell", 29 },
        { "link", 30 },
        { "list", 33 },
        { "list box", 33 },
        { "list item", 34 },
        { "tree", 35 },
        { "tree table", 35 },
        { "tree item", 36 },
        { "page tab", 37 },
        { "image", 40 },
        { "icon", 40 },
        { "desktop icon", 40 },
        { "canvas", 40 },
        { "drawing area", 40 },
        { "label", 41 },
        { "static", 41 },
        { "heading", 41 },
        { "caption", 41 },
        { "paragraph", 41 },
        { "accelerator label", 41 },
        { "text", 42 },
        { "entry", 42 },
        { "password text", 42 },
        { "terminal", 42 },
        { "push button", 43 },
        { "toggle button", 43 },
        { "check box", 44 },
        { "radio button", 45 },
        { "combo box", 46 },
        { "progress bar", 48 },
        { "level bar", 48 },
        { "dial", 49 },
        { "slider", 51 },
        { "spin button", 52 },
        { "animation", 54 },
        { "push button menu", 57 },
        { "page tab list", 60 },
    };

} // namespace

ScriptRole RoleForBusRole(std::string_view bus_role)
{
    if (bus_role.empty() || bus_role == "invalid" || bus_role == "unknown")
        return {};
    const auto* row = std::find_if(
        std::begin(ROWS), std::end(ROWS), [&](const RoleRow& r) { return r.bus_role == bus_role; });
    const int32_t code = row == std::end(ROWS) ? ROLE_CLIENT : row->code;
    return { code, RoleText(code) };
}

std::string_view RoleText(int32_t code)
{
    const auto* name
        = std::find_if(std::begin(NAMES), std::end(NAMES), [&](const RoleName& n) { return n.code == code; });
    return name == std::end(NAMES) ? std::string_view() : name->text;
}

std::span<const RoleRow> RoleTable()
{
    return ROWS;
}

} // namespace palavrino::commands
