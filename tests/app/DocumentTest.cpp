#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>

#include "app/Resource.h"
#include "tests/app/AppFixture.h"

TEST_F(AppTest, OpensBmpNamesInAnyCaseAndRecordsThemAsRecent) {
    const QString path = WriteBmp("PHOTO.Bmp", 20, 10);
    CTorvexDoc* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    ASSERT_NE(doc->GetImage(), nullptr);
    EXPECT_EQ(doc->GetImage()->GetWidth(), 20u);
    EXPECT_EQ(doc->GetTitle(), "PHOTO.Bmp");
    EXPECT_EQ(frame->windowTitle(), "Torvex - [PHOTO.Bmp]");
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(app->GetRecentFiles().value(0), path);
    QSettings settings("Local AppWizard-Generated Applications", "Torvex");
    EXPECT_EQ(settings.value("Recent File List/File1").toString(), path);
}

TEST_F(AppTest, OpeningAnOpenFileActivatesItsWindow) {
    const QString path = WriteBmp("again.bmp", 8, 8);
    CTorvexDoc* first = Open(path);
    Command(ID_FILE_NEW);
    EXPECT_EQ(Open(path), first);
    EXPECT_EQ(frame->MdiArea()->subWindowList().size(), 2);
}

TEST_F(AppTest, RefusesNamesThatAreNotBmp) {
    for (const QString name : {"photo.bmp.txt", "photo", "photo."}) {
        const QString path = tempDir + "/" + name;
        QFile(path).open(QIODevice::WriteOnly);
        messages.clear();
        EXPECT_EQ(Open(path), nullptr) << name.toStdString();
        EXPECT_EQ(messages, QStringList({"This is not a bmp file!"}));
    }
    EXPECT_TRUE(frame->MdiArea()->subWindowList().isEmpty());
}

TEST_F(AppTest, UnreadableContentIsRefusedWithTheDecodersText) {
    const QString path = tempDir + "/text.bmp";
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("this is no image at all, only text");
    f.close();
    EXPECT_EQ(Open(path), nullptr);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_FALSE(messages[0].isEmpty());
    EXPECT_NE(messages[0], "Decode: Unknown or wrong format");
    EXPECT_TRUE(frame->MdiArea()->subWindowList().isEmpty());

    messages.clear();
    EXPECT_EQ(Open(tempDir + "/missing.bmp"), nullptr);
    EXPECT_EQ(messages, QStringList({""})); // nothing to say but that it failed
}

TEST_F(AppTest, SaveAsWritesBmpAndRefusesOtherNames) {
    CTorvexDoc* doc = Open(WriteBmp("source.bmp", 12, 6));
    ASSERT_NE(doc, nullptr);
    nextFileName = tempDir + "/copy.png";
    Command(ID_FILE_SAVE_AS);
    EXPECT_EQ(messages, QStringList({"Only support bmp format!"}));
    EXPECT_FALSE(QFile::exists(nextFileName));

    nextFileName = tempDir + "/copy.BMP";
    Command(ID_FILE_SAVE_AS);
    ASSERT_TRUE(QFile::exists(nextFileName));
    EXPECT_EQ(doc->GetTitle(), "copy.BMP");
    CxImage back(QFile::encodeName(nextFileName).constData(), FORMAT_BMP);
    EXPECT_EQ(back.GetWidth(), 12u);

    // Save writes back to the document's own path.
    QFile::remove(nextFileName);
    Command(ID_FILE_SAVE);
    EXPECT_TRUE(QFile::exists(nextFileName));
}

TEST_F(AppTest, SavingAnEmptyDocumentAsksForANameThenRefuses) {
    Command(ID_FILE_NEW);
    nextFileName = tempDir + "/empty.bmp";
    Command(ID_FILE_SAVE);
    EXPECT_EQ(messages, QStringList({"There is no image to save."}));
    EXPECT_FALSE(QFile::exists(nextFileName));
    nextFileName.clear(); // cancelled dialog
    messages.clear();
    Command(ID_FILE_SAVE);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(AppTest, RecentFilesReopenFromTheMenuCommand) {
    const QString a = WriteBmp("a.bmp", 4, 4), b = WriteBmp("b.bmp", 4, 4);
    Open(a);
    Open(b);
    EXPECT_EQ(app->GetRecentFiles(), QStringList({b, a}));
    Command(ID_FILE_CLOSE);
    Command(ID_FILE_CLOSE);
    EXPECT_TRUE(IsEnabled(ID_FILE_MRU_FILE1 + 1));
    Command(ID_FILE_MRU_FILE1 + 1);
    ASSERT_NE(ActiveDoc(), nullptr);
    EXPECT_EQ(ActiveDoc()->GetTitle(), "a.bmp");
}

TEST_F(AppTest, FileExtensionIsTheTextAfterTheLastDot) {
    EXPECT_EQ(CTorvexDoc::GetFileExt("/a/b.c/photo.BMP"), "BMP");
    EXPECT_EQ(CTorvexDoc::GetFileExt("/a/b.c/photo"), "c/photo");
    EXPECT_EQ(CTorvexDoc::GetFileExt("photo"), "");
    EXPECT_EQ(CTorvexDoc::GetFileExt("photo."), "");
}

TEST_F(AppTest, SetImageWithNullKeepsTheImage) {
    CTorvexDoc* doc = Open(WriteBmp("keep.bmp", 5, 5));
    ASSERT_NE(doc, nullptr);
    CxImage* image = doc->GetImage();
    doc->SetImage(nullptr);
    EXPECT_EQ(doc->GetImage(), image);
}
