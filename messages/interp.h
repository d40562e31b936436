// The texts of the interpreter (loading, compiling, the run loop, the
// control-flow, data and text commands, the driver) as Windows-1252 bytes;
// see messages/core.h for the layout. Command words inside a sentence are the
// language's own and stay as they are written.
#pragma once

#include "messages/compose.h"

namespace palavrino::msg {

// Where an error happened, written before the error itself.
// "Erro no script teste.pro, linha 3:"
inline std::string ErrorInScriptLine(std::string_view file, int32_t line)
{
    return Join("Erro no script ", file, ", linha ", Num(line), ":");
}

// "Erro na linha 3: "
inline std::string ErrorInLine(int32_t line)
{
    return Join("Erro na linha ", Num(line), ": ");
}

// Compiling: blocks, labels, functions, IMPORTA
constexpr std::string_view MSG_LOCAL_OUTSIDE_FUNCTION
    = "O comando LOCAL s\xF3 \xE9 v\xE1lido no corpo de uma fun\xE7\xE3o";
constexpr std::string_view MSG_LOCAL_IN_LOOP
    = "O comando LOCAL n\xE3o pode estar no corpo de um comando iterativo";
constexpr std::string_view MSG_IMPORTA_IN_FUNCTION
    = "O comando IMPORTA n\xE3o pode estar no corpo de uma fun\xE7\xE3o";
constexpr std::string_view MSG_IMPORTA_IN_LOOP
    = "O comando IMPORTA n\xE3o pode estar no corpo de um comando iterativo";
constexpr std::string_view MSG_LOCAL_ON_IF_LINE
    = "O comando LOCAL n\xE3o pode aparecer na mesma linha do comando SE";
constexpr std::string_view MSG_IMPORTA_ON_IF_LINE
    = "O comando IMPORTA n\xE3o pode aparecer na mesma linha do comando SE";
constexpr std::string_view MSG_EXPECTED_SIMPLE_COMMAND_ON_IF_LINE
    = "Esperava um comando simples na mesma linha do comando SE";
constexpr std::string_view MSG_STRAY_SENAO = "Comando SEN\xC3O sobrando";
constexpr std::string_view MSG_ONE_LINE_IF_AFTER_SENAO
    = "O comando SE de uma linha n\xE3o \xE9 permitido ap\xF3s SEN\xC3O";
constexpr std::string_view MSG_NESTED_FUNCTION
    = "Fun\xE7\xF5"
      "es n\xE3o podem estar aninhadas em comandos ou em outras fun\xE7\xF5"
      "es";
constexpr std::string_view MSG_EXPECTED_FUNCTION_NAME = "Esperava o nome da fun\xE7\xE3o";
constexpr std::string_view MSG_STRAY_FIM = "Comando FIM sobrando";
constexpr std::string_view MSG_EXPECTED_FIM_WORD = "Esperava o complemento do comando FIM";
constexpr std::string_view MSG_EXPECTED_MODULE_NAME = "Esperava o nome do m\xF3"
                                                      "dulo";
constexpr std::string_view MSG_EXPECTED_SCRIPT_NAME = "Esperava o nome do script";

// "Mais de 64 comandos aninhados!"
inline std::string TooManyOpenBlocks(int32_t limit)
{
    return Join("Mais de ", Num(limit), " comandos aninhados!");
}

// "Faltou finalizar o comando SE, iniciado na linha 3"
inline std::string UnfinishedCommand(std::string_view word, int32_t line)
{
    return Join("Faltou finalizar o comando ", word, ", iniciado na linha ", Num(line));
}

// "Comando FIM PARA não corresponde ao comando SE na linha 3"
inline std::string FimMismatch(std::string_view word, std::string_view open_word, int32_t line)
{
    return Join("Comando FIM ", word, " n\xE3o corresponde ao comando ", open_word, " na linha ", Num(line));
}

// "Rótulo \"A\" desconsiderado"
inline std::string LabelIgnored(std::string_view name)
{
    return Join("R\xF3tulo \"", name, "\" desconsiderado");
}

// "Comando QUEBRA fora de um comando iterativo"
inline std::string OutsideLoop(std::string_view word)
{
    return Join("Comando ", word, " fora de um comando iterativo");
}

// "\"f\" já é um identificador de variável; não pode ser nome de função"
inline std::string FunctionNameTaken(std::string_view name, std::string_view kind)
{
    return Join(
        "\"", name, "\" j\xE1 \xE9 um identificador de ", kind, "; n\xE3o pode ser nome de fun\xE7\xE3o");
}

// "Erro na leitura do script \"lib\""
inline std::string ScriptReadError(std::string_view script)
{
    return Join("Erro na leitura do script \"", script, "\"");
}

// "O script \"lib\" apresenta erros sintáticos" (IMPORTA)
inline std::string ImportedScriptHasErrors(std::string_view script)
{
    return Join("O script \"", script, "\" apresenta erros sint\xE1ticos");
}

// "O script \"lib\" possui erros sintáticos" (CHAMA and DESVIA to a script)
inline std::string CalledScriptHasErrors(std::string_view script)
{
    return Join("O script \"", script, "\" possui erros sint\xE1ticos");
}

// The command set
// "O comando REDE não está disponível nesta versão"
inline std::string CommandUnavailable(std::string_view word)
{
    return Join("O comando ", word, " n\xE3o est\xE1 dispon\xEDvel nesta vers\xE3o");
}

// Faults in how the program registers its commands, written to the error
// stream before it aborts: "palavrino: erro interno: <what>: <word>".
constexpr std::string_view MSG_INTERNAL_ERROR_PREFIX = "palavrino: erro interno: ";
constexpr std::string_view MSG_REGISTERED_AFTER_END = "comandos registrados depois do fim";
constexpr std::string_view MSG_NOT_A_LANGUAGE_WORD = "palavra que a linguagem n\xE3o tem";
constexpr std::string_view MSG_REGISTERED_TWICE = "comando registrado duas vezes";

// Control flow
constexpr std::string_view MSG_REPETE_LIMIT = "Limite superior para o comando REPETE deve ser inteiro";
constexpr std::string_view MSG_REPETE_COUNTER_NOT_INTEGER
    = "A vari\xE1vel de controle do comando REPETE n\xE3o cont\xE9m um valor inteiro";
constexpr std::string_view MSG_EXPECTED_A_SCRIPT_NAME = "Esperava o nome de um script";
constexpr std::string_view MSG_EXPECTED_LABEL = "Esperava um r\xF3tulo";
constexpr std::string_view MSG_REMOTE_JUMP_SCOPE
    = "N\xE3o ser\xE1 poss\xEDvel desviar remotamente para a linha, devido ao escopo";
constexpr std::string_view MSG_ITERATOR_WITH_INDICES
    = "Um iterador deve ser uma v\xE1ri\xE1vel simples, sem \xEDndices";
constexpr std::string_view MSG_LOOP_LIMITS_NOT_INTEGER
    = "Limites para a vari\xE1vel de controle devem ser INTEIROS";
constexpr std::string_view MSG_BAD_ITERATOR_DOMAIN = "Dom\xEDnio inv\xE1lido para um iterador";
constexpr std::string_view MSG_CLOSE_THE_PAREN = "J\xE1 que abriu, favor fechar o par\xEAnteses";
constexpr std::string_view MSG_STACK_NO_RET_FOUND = "Pilha corrompida, RET n\xE3o encontrado";
constexpr std::string_view MSG_DESVIA_INTERACTIVE
    = "O comando DESVIA N\xC3O \xE9 permitido no modo interativo";
constexpr std::string_view MSG_EXTERNAL_ROUTINE_UNDEFINED = "Rotina externa n\xE3o foi definida";
constexpr std::string_view MSG_CHAMA_INTERACTIVE
    = "O comando CHAMA no modo interativo deve especificar um novo script";
constexpr std::string_view MSG_PRESS_ENTER_TO_END = "Tecle ENTER para encerrar o script";

// "A variável i não é um iterador"
inline std::string NotAnIterator(std::string_view name)
{
    return Join("A vari\xE1vel ", name, " n\xE3o \xE9 um iterador");
}

// "Rótulo FIM não foi definido ou não tem o escopo correto"
inline std::string LabelNotDefined(std::string_view label)
{
    return Join("R\xF3tulo ", label, " n\xE3o foi definido ou n\xE3o tem o escopo correto");
}

// "Script encerrado na função f"
inline std::string EndedInFunction(std::string_view function)
{
    return Join("Script encerrado na fun\xE7\xE3o ", function);
}

// Data commands
constexpr std::string_view MSG_DIVISION_BY_ZERO_AVOIDED = "Divis\xE3o por zero evitada";
constexpr std::string_view MSG_ANEXA_NEEDS_LISTS = "O comando ANEXA espera listas como argumentos";
constexpr std::string_view MSG_SECOND_ARG_LIST = "O segundo argumento deveria ser uma LISTA";
constexpr std::string_view MSG_THIRD_ARG_POSITION
    = "O terceiro argumento deveria ser a posi\xE7\xE3o na lista";
constexpr std::string_view MSG_PROCURA_KINDS = "O comando PROCURA busca apenas inteiros ou cadeias na lista";
constexpr std::string_view MSG_PROCURA_MODIFIERS
    = "Os modificadores PARCIAL ou MAIUSC aplicam-se apenas \xE0 busca de cadeias na lista";
constexpr std::string_view MSG_EXPECTED_LIST_TO_SORT = "Esperava uma lista para ordenar";

// "Expressão inválida; a variável \"v\" não foi modificada"
inline std::string VariableNotModified(std::string_view quoted_name)
{
    return Join("Express\xE3o inv\xE1lida; a vari\xE1vel ", quoted_name, " n\xE3o foi modificada");
}

// "\"f\" é um identificador de função, não pode ser usado como variável"
inline std::string NotUsableAsVariable(std::string_view quoted_name, std::string_view kind)
{
    return Join(quoted_name, " \xE9 um identificador de ", kind, ", n\xE3o pode ser usado como vari\xE1vel");
}

// "Chamada inválida da função f"
inline std::string BadFunctionCall(std::string_view function)
{
    return Join("Chamada inv\xE1lida da fun\xE7\xE3o ", function);
}

// "O segundo operando do comando SOMA deve ser inteiro"
inline std::string SecondOperandNotInteger(std::string_view word)
{
    return Join("O segundo operando do comando ", word, " deve ser inteiro");
}

// "O primeiro operando do comando SOMA não é inteiro"
inline std::string FirstOperandNotInteger(std::string_view word)
{
    return Join("O primeiro operando do comando ", word, " n\xE3o \xE9 inteiro");
}

// "Esperava uma expressão para atribuir a \"v\""
inline std::string ExpectedExpressionFor(std::string_view quoted_name)
{
    return Join("Esperava uma express\xE3o para atribuir a ", quoted_name);
}

// Text commands
constexpr std::string_view MSG_CONCATENA_STRINGS = "O comando CONCATENA aplica-se a cadeias";
constexpr std::string_view MSG_NOT_A_STRING = "A vari\xE1vel especificada n\xE3o cont\xE9m uma cadeia";
constexpr std::string_view MSG_EXPECTED_LIST_TO_JOIN = "Esperava uma lista para concatenar";
constexpr std::string_view MSG_BAD_COPIA_OPERANDS = "Operandos inv\xE1lidos para o comando COPIA";
constexpr std::string_view MSG_SUBSTITUI_THREE_STRINGS
    = "Esperava tr\xEAs cadeias como argumentos para o comando SUBSTITUI";
constexpr std::string_view MSG_THIRD_ARG_NEW_STRING = "O terceiro argumento deveria ser a nova cadeia";
constexpr std::string_view MSG_FOURTH_FIFTH_ARGS_INTEGERS
    = "O quarto e quinto argumentos deveriam ser inteiros";
constexpr std::string_view MSG_SEPARA_ARGS = "Esperava uma cadeia e um separador para o comando SEPARA";
constexpr std::string_view MSG_EXPECTED_DE_OR_PARA = "Esperava DE ou PARA";
constexpr std::string_view MSG_EXPECTED_CONVERSION_CODE = "Esperava o c\xF3"
                                                          "digo de convers\xE3o";

// "Código de conversão desconhecido: XYZ"
inline std::string UnknownConversionCode(std::string_view code)
{
    return Join("C\xF3"
                "digo de convers\xE3o desconhecido: ",
        code);
}

// The driver: outcome lines and prompts, each with the key of the recorded
// sound that may say it instead.
constexpr std::string_view MSG_PLINIC = "Palavrino - v";
constexpr std::string_view MSG_PLNOMPRO = "Nome do arquivo .PRO a executar: ";
constexpr std::string_view MSG_PLFIM = "Fim do script";
constexpr std::string_view MSG_PLARQNAO = "Arquivo .PRO inexistente";
constexpr std::string_view MSG_PLERREXE = "Erro de execu\xE7\xE3o na linha ";
constexpr std::string_view MSG_PLERRROT = "Este r\xF3tulo n\xE3o existe";
constexpr std::string_view MSG_PLRERROSINT = "Script com erro sint\xE1tico na linha ";
constexpr std::string_view MSG_PLERRO = "Erro";
constexpr std::string_view MSG_PLEDITE = "Editore e aperte enter";
constexpr std::string_view MSG_PLINTER = "Modo interativo";
constexpr std::string_view MSG_SCRIPT_READ_ERROR = "Erro na leitura do script";
constexpr std::string_view MSG_TITLE_INTERACTIVE = "PALAVRINO (interativo)";
constexpr std::string_view MSG_TITLE = "PALAVRIN";
constexpr std::string_view MSG_TITLE_SCRIPT_PREFIX = "PALAVRINO ";
constexpr std::string_view MSG_INTERACTIVE_PROMPT = "> ";
// The script prompt's version, after MSG_PLINIC.
constexpr std::string_view MSG_VERSION = "6.3";
constexpr std::string_view MSG_VERSION_SUFFIX = " (b)";
// Interactive mode.
constexpr std::string_view MSG_INTERACTIVE_HINT = "Digite AJUDA para conhecer os comandos e fun\xE7\xF5"
                                                  "es";
constexpr std::string_view MSG_EDIT_BUFFER_OK = "Ok";
constexpr std::string_view MSG_EXIT_QUESTION = "Deseja realmente encerrar o Palavrino? ";
// "Erro na linha 3" (a script run from the edit buffer failed there).
inline std::string EditBufferErrorLine(int32_t line)
{
    return Join("Erro na linha ", Num(line));
}
// "Você editou um script de 4 linhas."
inline std::string EditedScriptLines(std::size_t count)
{
    return Join("Voc\xEA editou um script de ", Num(static_cast<int32_t>(count)), " linhas.");
}

// The run loop
constexpr std::string_view MSG_EXPECTED_COMMAND = "Esperava um comando";

// "O comando \"DESVIA\" não é válido no modo interativo"
inline std::string NotInteractive(std::string_view command)
{
    return Join("O comando \"", command, "\" n\xE3o \xE9 v\xE1lido no modo interativo");
}

// "A linha deveria terminar onde aparece \"x\""
inline std::string LineShouldEnd(std::string_view token)
{
    return Join("A linha deveria terminar onde aparece \"", token, "\"");
}

// A command that stores its results needs a variable name where it found none.
constexpr std::string_view MSG_EXPECTED_VARIABLE = "Esperava uma vari\xE1vel";

} // namespace palavrino::msg
