// The message helpers that build text from variable parts: numbers written as
// the interpreter writes them, and whole sentences around the parts.
#include "core/value.h"
#include "messages/core.h"
#include "messages/files.h"
#include "messages/interp.h"

#include <climits>
#include <cstdint>
#include <gtest/gtest.h>

namespace palavrino::msg {
namespace {

    TEST(Messages, NumbersReadAsTheInterpreterWritesThem)
    {
        for (int32_t n : { 0, 1, -1, 9, 10, -10, 255, 65536, 999999999, -1000000000, INT32_MAX, INT32_MIN,
                 INT32_MIN + 1 }) {
            SCOPED_TRACE(n);
            EXPECT_EQ(Num(n), core::IntToText(n));
        }
        // A sweep over the whole range, a few thousand values apart.
        for (int64_t n = INT32_MIN; n <= INT32_MAX; n += 104729) {
            ASSERT_EQ(Num(static_cast<int32_t>(n)), core::IntToText(static_cast<int32_t>(n)));
        }
        EXPECT_EQ(Num(INT32_MIN), "-2147483648");
    }

    TEST(Messages, SentencesWithNumbersKeepSignsAndBounds)
    {
        EXPECT_EQ(LabelRedefined("FIM", 3), "R\xF3tulo \"FIM\" j\xE1 foi definido na linha 3");
        EXPECT_EQ(DescriptorAlreadyOpen(15), "O descritor #15 j\xE1 est\xE1 aberto");
        EXPECT_EQ(DescriptorAlreadyOpen(-1), "O descritor #-1 j\xE1 est\xE1 aberto");
        EXPECT_EQ(DescriptorAlreadyOpen(INT32_MIN), "O descritor #-2147483648 j\xE1 est\xE1 aberto");
        EXPECT_EQ(UnfinishedCommand("SEN\xC3O SE", 12),
            "Faltou finalizar o comando SEN\xC3O SE, iniciado na linha 12");
        EXPECT_EQ(UnfinishedCommand("SE", INT32_MAX),
            "Faltou finalizar o comando SE, iniciado na linha 2147483647");
        EXPECT_EQ(
            FimMismatch("PARA", "SE", 0), "Comando FIM PARA n\xE3o corresponde ao comando SE na linha 0");
        EXPECT_EQ(TooManyOpenBlocks(64), "Mais de 64 comandos aninhados!");
        EXPECT_EQ(ErrorInScriptLine("a b.pro", 7), "Erro no script a b.pro, linha 7:");
        EXPECT_EQ(ErrorInLine(-5), "Erro na linha -5: ");
    }

    TEST(Messages, SentencesKeepTheirPartsWhole)
    {
        // Parts holding quotes, accents or nothing at all are copied as they are.
        EXPECT_EQ(
            NotIndexable("v[1]", "inteiro"), "\"v[1]\" \xE9 do tipo \"inteiro\", n\xE3o \xE9 index\xE1vel");
        EXPECT_EQ(BadIndex("", "\"a\""), "\xCDndice inv\xE1lido: \"\" para \"\"a\"\"");
        EXPECT_EQ(NotExpected(")"), ") n\xE3o era esperado");
        EXPECT_EQ(NotALocal("x", MSG_SYMBOL_FUNCTION),
            "\"x\" \xE9 identificador de fun\xE7\xE3o, n\xE3o pode ser uma vari\xE1vel local ou "
            "par\xE2metro");
    }

} // namespace
} // namespace palavrino::msg
