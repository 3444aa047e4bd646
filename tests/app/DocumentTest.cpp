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

// A file the container refuses shows the container's reason: the named BMP
// codec's, or that of the codec that recognised the file.
TEST_F(AppTest, ShowsWhyTheContainerRefusedAFile) {
    const QByteArray hugeGif(
        "GIF89a\x47\x1a\x47\xff\0\0\0\x2c\0\0\0\0\x01\0\x01\0\0\x02\x02\x4c\x01\0\x3b", 26);
    QByteArray shortBmp("BM\0\0\0\0\0\0\0\0\x36\0\0\0(\0\0\0\x80\x02\0\0\xe0\x01\0\0\x01\0\x18\0",
                        30);
    shortBmp.resize(54, '\0');
    const std::pair<QString, QByteArray> cases[] = {{"huge.bmp", hugeGif}, {"short.bmp", shortBmp}};
    const QStringList expected = {
        "Image of 6727 x 65351 pixels exceeds the limit of 268435456 pixels",
        "BMP file too short for its image"};
    QStringList shown;
    for (const auto& [name, bytes] : cases) {
        QFile file(tempDir + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        messages.clear();
        EXPECT_EQ(Open(file.fileName()), nullptr) << name.toStdString();
        shown += messages;
    }
    EXPECT_EQ(shown, expected);
}
