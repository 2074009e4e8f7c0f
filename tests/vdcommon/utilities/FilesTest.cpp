#include <gtest/gtest.h>

#include "database/TestDatabaseFiles.h"
#include "vdcommon/utilities/Files.h"

#include <wx/ffile.h>
#include <wx/filefn.h>
#include <wx/filename.h>

TEST(Files, ConstructFileNameKeepsASafeShortName)
{
    EXPECT_EQ(Files::ConstructFileName("Plant:Line/1\\2?"), "Plant Line 1 2");
    EXPECT_EQ(Files::ConstructFileName("Plant: A"), "Plant  A");
    EXPECT_EQ(Files::ConstructFileName("::/Plant"), "Plant");
    EXPECT_EQ(Files::ConstructFileName("a_b+c-d.e#f$g"), "a_b+c-d.e#f$g");
    EXPECT_EQ(Files::ConstructFileName(wxString::FromUTF8("Größe\tÜber\nNull")), "Gr e ber Null");
    EXPECT_EQ(Files::ConstructFileName("???"), "");
    EXPECT_EQ(Files::ConstructFileName(""), "");

    EXPECT_EQ(Files::ConstructFileName(wxString('x', 100)), wxString('x', 72));
    // The cut must not leave a blank at the end of the name.
    const wxString blankAt72 = wxString('a', 71) + "  tail";
    EXPECT_EQ(Files::ConstructFileName(blankAt72), wxString('a', 71));
    const wxString huge = wxString('/', 5000) + wxString('b', 5000);
    EXPECT_EQ(Files::ConstructFileName(huge), wxString('b', 72));
}

TEST(Files, TemporaryFilesAreMadeAndRemovedTogether)
{
    vdtest::TempFolder folder;
    const wxString dir = wxString::FromUTF8(folder.Path().string());

    const wxString pdf = Files::CreateTempFile("pdf", dir);
    EXPECT_TRUE(pdf.EndsWith(".pdf"));
    EXPECT_TRUE(pdf.StartsWith(dir));
    EXPECT_FALSE(wxFileExists(pdf));
    EXPECT_TRUE(Files::CreateTempFile(".xml", dir).EndsWith(".xml"));

    const wxString plain = Files::CreateTempFile("", dir);
    EXPECT_TRUE(wxFileExists(plain));
    EXPECT_NE(plain, Files::CreateTempFile("", dir));

    wxFFile(pdf, "w").Write("%PDF-1.4\n");
    ASSERT_TRUE(wxFileExists(pdf));
    Files::RemoveTempFiles();
    EXPECT_FALSE(wxFileExists(pdf));
    EXPECT_FALSE(wxFileExists(plain));
    Files::RemoveTempFiles(); // files already gone are skipped

    // With no directory, the system's temporary folder is used.
    const wxString inTemp = Files::CreateTempFile("", "");
    EXPECT_TRUE(inTemp.StartsWith(wxFileName::GetTempDir()));
    Files::RemoveTempFiles();
    EXPECT_FALSE(wxFileExists(inTemp));

    EXPECT_THROW(Files::CreateTempFile("pdf", dir + "/no/such/folder"), std::runtime_error);
}
