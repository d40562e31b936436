// Whole-file replacement through a temporary file, and the refusal of names
// holding a NUL byte.
#include "devices/file_safety.h"
#include "devices/text_file.h"
#include "tests/fakes/temp_dir.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace palavrino::devices;
using palavrino::fakes::TempDir;

namespace {

std::set<std::string> Names(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

int WriteText(std::FILE* f, const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), f) == text.size() ? 0 : EIO;
}

} // namespace

TEST(ReplaceWholeFile, ReplacesCreatesAndKeepsPermissions)
{
    TempDir dir;
    const fs::path old_file = dir.Write("velho.txt", "antigo");
    fs::permissions(old_file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    int error = -1;
    EXPECT_EQ(ReplaceWholeFile(
                  old_file, [](std::FILE* f) { return WriteText(f, "novo"); }, error),
        ReplaceStep::Done);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(TempDir::Read(old_file), "novo");
    EXPECT_EQ(fs::status(old_file).permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path fresh = dir.Path() / "fresco.txt";
    EXPECT_EQ(ReplaceWholeFile(
                  fresh, [](std::FILE* f) { return WriteText(f, "1"); }, error),
        ReplaceStep::Done);
    EXPECT_EQ(TempDir::Read(fresh), "1");
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string> { "fresco.txt", "velho.txt" }));
}

TEST(ReplaceWholeFile, AFailedWriteLeavesTheTargetAndNoTemporary)
{
    TempDir dir;
    const fs::path target = dir.Write("alvo.txt", "intacto");
    int error = 0;
    auto half_then_fail = [](std::FILE* f) { return WriteText(f, "meio") == 0 ? ENOSPC : EIO; };
    EXPECT_EQ(ReplaceWholeFile(target, half_then_fail, error), ReplaceStep::Write);
    EXPECT_EQ(error, ENOSPC);
    EXPECT_EQ(TempDir::Read(target), "intacto");
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string> { "alvo.txt" }));
}

TEST(ReplaceWholeFile, ALinkKeepsPointingAtTheReplacedFile)
{
    TempDir dir;
    const fs::path real = dir.Write("real.txt", "antes");
    const fs::path link = dir.Path() / "atalho.txt";
    fs::create_symlink(real, link);
    int error = 0;
    EXPECT_EQ(ReplaceWholeFile(
                  link, [](std::FILE* f) { return WriteText(f, "depois"); }, error),
        ReplaceStep::Done);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    EXPECT_EQ(TempDir::Read(real), "depois");
}

TEST(ReplaceWholeFile, AFolderOrAMissingFolderCannotBeReplaced)
{
    TempDir dir;
    fs::create_directory(dir.Path() / "pasta");
    int error = 0;
    auto never = [](std::FILE*) { return 0; };
    EXPECT_EQ(ReplaceWholeFile(dir.Path() / "pasta", never, error), ReplaceStep::Open);
    EXPECT_EQ(error, EISDIR);
    EXPECT_EQ(ReplaceWholeFile(dir.Path() / "falta" / "x.txt", never, error), ReplaceStep::Open);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string> { "pasta" }));
}

TEST(ReplaceWholeFile, AFileWeMayNotWriteIsRefused)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser may write any file";
    TempDir dir;
    const fs::path target = dir.Write("leitura.txt", "protegido");
    fs::permissions(target, fs::perms::owner_read);
    int error = 0;
    EXPECT_EQ(ReplaceWholeFile(
                  target, [](std::FILE* f) { return WriteText(f, "x"); }, error),
        ReplaceStep::Open);
    EXPECT_EQ(error, EACCES);
    EXPECT_EQ(TempDir::Read(target), "protegido");
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string> { "leitura.txt" }));
}

TEST(FileNames, ANameHoldingANulByteOpensNothing)
{
    TempDir dir;
    const fs::path existing = dir.Write("dados.txt", "guardado");
    const std::string with_nul = existing.string() + std::string(1, '\0') + ".novo";
    EXPECT_FALSE(NativeFilePath(with_nul));
    EXPECT_TRUE(NativeFilePath(existing.string()));
    for (FileMode mode : { FileMode::Read, FileMode::Append, FileMode::Create }) {
        int error = 0;
        EXPECT_EQ(TextFile::Open(with_nul, mode, error), nullptr);
        EXPECT_EQ(error, EINVAL);
    }
    EXPECT_EQ(TempDir::Read(existing), "guardado");
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string> { "dados.txt" }));
}
