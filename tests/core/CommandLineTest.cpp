#include "core/doc/KEVCommandLineInfo.h"

#include <gtest/gtest.h>

TEST(CommandLine, FileNamesAndBatchFlags) {
    using SC = CKEVCommandLineInfo::ShellCommand;
    struct Case {
        QStringList args;
        int kind; // BatchKind
        SC shell;
        const char* file;
        const char* list;
        const char* out;
    } cases[] = {
        {{}, 0, SC::FileNew, "", "", ""},
        {{"/data/P1.DUX"}, 0, SC::FileOpen, "/data/P1.DUX", "", ""},
        {{"-report", "list.txt", "/out"}, 1, SC::FileNew, "", "list.txt", "/out"},
        {{"--projectreport", "list.txt", "/out"}, 2, SC::FileNew, "", "list.txt", "/out"},
        {{"/report", "list.txt", "/out"}, 1, SC::FileNew, "", "list.txt", "/out"},
        // Three plain arguments: the last is the output folder.
        {{"/projectreport", "list.txt", "/a", "/b"}, 2, SC::FileNew, "", "list.txt", "/b"},
        // One plain argument is no batch, and opens nothing.
        {{"-report", "list.txt"}, 0, SC::FileNew, "", "list.txt", ""},
        // The flags are case-sensitive; an unknown flag is ignored.
        {{"-Report", "a.DUX"}, 0, SC::FileOpen, "a.DUX", "", ""},
        {{"-x", "a.DUX"}, 0, SC::FileOpen, "a.DUX", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        CKEVCommandLineInfo info;
        info.Parse(c.args);
        EXPECT_EQ(info.BatchKind(), c.kind);
        EXPECT_EQ(info.IsBatch(), c.kind != 0);
        EXPECT_EQ(info.m_nShellCommand, c.shell);
        EXPECT_EQ(info.IsFileOpen(), c.shell == SC::FileOpen);
        EXPECT_EQ(info.m_strFileName, QString::fromUtf8(c.file));
        EXPECT_EQ(info.m_strListFile, QString::fromUtf8(c.list));
        EXPECT_EQ(info.m_strOutputDir, QString::fromUtf8(c.out));
    }
}
