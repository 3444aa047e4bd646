#include <QFile>
#include <QMdiArea>
#include <QSettings>

#include "tests/app/AppFixture.h"

TEST_F(AppTest, OpensBmpFilesActivatesOpenOnesAndReopensRecentOnes) {
    const QString a = WriteBmp("PHOTO.Bmp", 20, 10), b = WriteBmp("b.bmp", 4, 4);
    CTorvexDoc* doc = Open(a);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetImage()->GetWidth(), 20u);
    EXPECT_EQ(frame->windowTitle(), "Torvex - [PHOTO.Bmp]");
    Open(b);
    EXPECT_EQ(app->GetRecentFiles(), QStringList({b, a}));
    QSettings settings("Local AppWizard-Generated Applications", "Torvex");
    EXPECT_EQ(settings.value("Recent File List/File1").toString(), b);
    EXPECT_EQ(Open(a), doc) << "an open file activates its window";
    EXPECT_EQ(frame->MdiArea()->subWindowList().size(), 2);
    Command(ID_FILE_CLOSE);
    Command(ID_FILE_CLOSE);
    ASSERT_TRUE(IsEnabled(ID_FILE_MRU_FILE1 + 1));
    Command(ID_FILE_MRU_FILE1 + 1);
    ASSERT_NE(ActiveDoc(), nullptr);
    EXPECT_EQ(ActiveDoc()->GetTitle(), "PHOTO.Bmp");
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(AppTest, RefusesToOpenOtherNamesAndUnreadableFilesWithTheirMessages) {
    const std::pair<QString, QString> cases[] = {{"photo.bmp.txt", "This is not a bmp file!"},
                                                 {"photo.", "This is not a bmp file!"},
                                                 {"text.bmp", "Not a BMP"},
                                                 {"missing.bmp", ""}};
    for (const auto& [name, message] : cases) {
        QFile file(tempDir + "/" + name);
        if (name != "missing.bmp" && file.open(QIODevice::WriteOnly)) file.write("only text");
        file.close();
        messages.clear();
        EXPECT_EQ(Open(file.fileName()), nullptr) << name.toStdString();
        EXPECT_EQ(messages, QStringList({message})) << name.toStdString();
    }
    EXPECT_TRUE(frame->MdiArea()->subWindowList().isEmpty());
}

TEST_F(AppTest, SavesOnlyBmpNamesAndNeverAnEmptyDocument) {
    CTorvexDoc* doc = Open(WriteBmp("source.bmp", 12, 6));
    ASSERT_NE(doc, nullptr);
    nextFileName = tempDir + "/copy.png";
    Command(ID_FILE_SAVE_AS);
    EXPECT_EQ(messages, QStringList({"Only support bmp format!"}));
    EXPECT_FALSE(QFile::exists(nextFileName));
    const QString copy = nextFileName = tempDir + "/copy.BMP";
    Command(ID_FILE_SAVE_AS);
    EXPECT_EQ(doc->GetTitle(), "copy.BMP");
    EXPECT_EQ(CxImage(QFile::encodeName(copy).constData(), FORMAT_BMP).GetWidth(), 12u);
    QFile::remove(copy);
    nextFileName.clear(); // no dialog: save writes to the document's own path
    Command(ID_FILE_SAVE);
    EXPECT_TRUE(QFile::exists(copy));

    Command(ID_FILE_NEW);
    messages.clear();
    nextFileName = tempDir + "/empty.bmp";
    Command(ID_FILE_SAVE); // asks for a name, then refuses
    EXPECT_EQ(messages, QStringList({"There is no image to save."}));
    EXPECT_FALSE(QFile::exists(nextFileName));
}
