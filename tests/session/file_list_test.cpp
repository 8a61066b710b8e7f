#include "imaging/dib.h"
#include "platform/folders.h"
#include "platform/prompts.h"
#include "session/file_list.h"
#include "tests/media/avi_writer.h"
#include "tests/support/test_env.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

using tvx::FileListModel;
using tvx::ListMode;
using tvx::Prompts;
using tvx::ScrollAction;

QImage Flat(int w, int h, QRgb colour) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class FileList : public ::testing::Test {
protected:
    void SetUp() override {
        folders_ = tvx::MakeStorageFolders();
        ASSERT_TRUE(QDir(folders_.picture).exists());
        model_ = std::make_unique<FileListModel>(
            FileListModel::Folders{folders_.picture, folders_.video});
    }
    QString Picture(const QString& name, const QByteArray& bytes) {
        const QString path = folders_.picture + "/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QString Bmp(const QString& name, QRgb colour = qRgb(200, 10, 10)) {
        return Picture(name, tvx::EncodeBmp(Flat(32, 24, colour)));
    }
    void ManyPictures(int n) {
        for (int i = 0; i < n; ++i)
            Bmp(QStringLiteral("Still_%1.bmp").arg(i, 3, 10, QLatin1Char('0')));
    }
    QString SelectedPath() const {
        QString p;
        model_->GetSelected(&p);
        return p;
    }

    tvx::StorageFolders folders_;
    std::unique_ptr<FileListModel> model_;
    tvx::ScriptedPrompts prompts_;
    const tvx::PageGeometry strip_ = tvx::PageGeometry::For(QSize(179, 480));
};

TEST_F(FileList, PagingFollowsTheNewestEntry) {
    ManyPictures(13);
    model_->ScanFolders();
    EXPECT_EQ(model_->TopRow(ListMode::Pictures), 0); // the 13th is on the second page
    EXPECT_EQ(model_->SelectedIndex(ListMode::Pictures), -1);

    // The 14th brings row 1 to the top, but seven rows are at most twelve, so
    // the scroll bar puts the list back at row 0.
    EXPECT_EQ(tvx::TopRowAfterAdd(14), 1);
    model_->SelectIndex(3);
    model_->AddPicture(Bmp("Still_new.bmp"));
    EXPECT_EQ(model_->TopRow(ListMode::Pictures), 0);
    EXPECT_EQ(model_->SelectedIndex(ListMode::Pictures), 13);
    EXPECT_EQ(model_->Entries(ListMode::Pictures)[3]->flags, tvx::EntryPresent | tvx::EntryUnsaved);
    EXPECT_EQ(model_->GetSelected(nullptr), 7u);
    EXPECT_EQ(SelectedPath(), folders_.picture + "/Still_new.bmp");

    // Past twelve rows the new entry's row stays on the page.
    ManyPictures(26); // names 000..025, of which 000..012 exist already
    model_->ScanFolders();
    ASSERT_EQ(model_->Count(ListMode::Pictures), 27);
    EXPECT_EQ(model_->TopRow(ListMode::Pictures), 7);
    model_->AddPicture(Bmp("Z.bmp"));
    EXPECT_EQ(model_->TopRow(ListMode::Pictures), 8); // (28 − 12) / 2
    EXPECT_EQ(model_->SelectedCell(), -1);            // no page made yet
    auto page = model_->VisiblePage(strip_);
    ASSERT_EQ(page.size(), 12u);
    EXPECT_EQ(page.back().index, 27);
    EXPECT_EQ(model_->SelectedCell(), 11);
}

TEST_F(FileList, ThirtyPicturesScrollOverFifteenRows) {
    ManyPictures(30);
    model_->ScanFolders();
    const tvx::ScrollInfo info = model_->UpdateScrollBar();
    EXPECT_EQ(info.min, 0);
    EXPECT_EQ(info.max, 14);
    EXPECT_EQ(info.page, 6);
    EXPECT_EQ(info.pos, 9);
    EXPECT_TRUE(info.arrowsEnabled);

    EXPECT_EQ(model_->Scroll(ScrollAction::Bottom), 14);
    auto page = model_->VisiblePage(strip_);
    ASSERT_EQ(page.size(), 2u);
    EXPECT_EQ(page[0].index, 28);
    EXPECT_EQ(page[1].index, 29);
    EXPECT_EQ(model_->Scroll(ScrollAction::PageUp), 8);
    EXPECT_EQ(model_->Scroll(ScrollAction::LineDown), 9);
    EXPECT_EQ(model_->Scroll(ScrollAction::ThumbPosition, 99), 14);
    EXPECT_EQ(model_->Scroll(ScrollAction::ThumbPosition, -5), 0);
    EXPECT_EQ(model_->Scroll(ScrollAction::LineUp), 0);
    EXPECT_EQ(model_->Scroll(ScrollAction::End), 0);
}

TEST_F(FileList, AtMostTwelveEntriesShowTheBarWithArrowsDisabled) {
    for (int n : {0, 1, 12}) {
        for (const QString& f : QDir(folders_.picture).entryList(QDir::Files))
            QFile::remove(folders_.picture + "/" + f);
        ManyPictures(n);
        model_->ScanFolders();
        const tvx::ScrollInfo info = model_->UpdateScrollBar();
        EXPECT_EQ(info.max, 5) << n;
        EXPECT_FALSE(info.arrowsEnabled) << n;
        EXPECT_EQ(model_->Scroll(ScrollAction::Bottom), 5) << n;
    }
    ManyPictures(13);
    model_->ScanFolders();
    EXPECT_TRUE(model_->UpdateScrollBar().arrowsEnabled); // 7 rows: max 6
}

TEST_F(FileList, ScanListsReadableBmpsOverFortyBytesAndEveryAvi) {
    const QByteArray bmp = tvx::EncodeBmp(Flat(4, 4, 0));
    Picture("forty.bmp", bmp.left(40));
    Picture("fortyone.bmp", bmp.left(41));
    Picture("Upper.BMP", bmp);
    Picture("photo.jpg", QByteArray(100, 'j'));
    Picture("notes.txt", "x");
    QFile empty(folders_.video + "/Video_1.avi");
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    model_->ScanFolders();
    QStringList names;
    for (const auto& e : model_->Entries(ListMode::Pictures)) {
        names << QFileInfo(e->path).fileName();
        EXPECT_EQ(e->flags, 3u);
    }
    names.sort();
    EXPECT_EQ(names, QStringList({"Upper.BMP", "fortyone.bmp"}));
    ASSERT_EQ(model_->Count(ListMode::Videos), 1);
    EXPECT_EQ(model_->Entries(ListMode::Videos)[0]->path, folders_.video + "/Video_1.avi");

    FileListModel nowhere({folders_.root + "/no such", QString()});
    nowhere.ScanFolders();
    EXPECT_EQ(nowhere.Count(ListMode::Pictures), 0);
    EXPECT_EQ(nowhere.Count(ListMode::Videos), 0);
}

TEST_F(FileList, UnsavedMarkNeverOnNamesStartingWithCapitalA) {
    EXPECT_FALSE(tvx::ShowsUnsavedMark("/p/Annotated.bmp", 3));
    EXPECT_FALSE(tvx::ShowsUnsavedMark("/p/A.bmp", 7));
    EXPECT_TRUE(tvx::ShowsUnsavedMark("/p/apple.bmp", 3));
    EXPECT_TRUE(tvx::ShowsUnsavedMark("/Archive/still.bmp", 3)); // the folder does not count
    EXPECT_FALSE(tvx::ShowsUnsavedMark("/p/still.bmp", 1));

    model_->AddPicture(Bmp("Annotated.bmp"));
    model_->AddPicture(Bmp("still.bmp"));
    const auto page = model_->VisiblePage(strip_);
    ASSERT_EQ(page.size(), 2u);
    EXPECT_FALSE(page[0].unsavedMark);
    EXPECT_TRUE(page[1].unsavedMark);
    EXPECT_EQ(page[1].thumb.size(), QSize(81, 73));
    EXPECT_EQ(page[1].thumb.pixel(40, 30), qRgb(200, 10, 10));
}

TEST_F(FileList, SaveAsConvertsToJpegOrCopiesBytesAndClearsTheMark) {
    const QString source = Bmp("Still_1.bmp");
    model_->AddPicture(source);
    const QString out = tvx::test::homeDir() + "/out";
    QDir().mkpath(out);

    ASSERT_TRUE(model_->SaveSelectedAs(out + "/copy.JPG", prompts_));
    const QByteArray jpeg = ReadAll(out + "/copy.JPG");
    EXPECT_TRUE(jpeg.startsWith(QByteArray("\xff\xd8", 2)));
    EXPECT_EQ(model_->GetSelected(nullptr) & tvx::EntryUnsaved, 0u);

    for (const char* name : {"copy.bmp", "copy.png"}) {
        QFile old(out + "/" + name); // an existing destination is replaced
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();
        ASSERT_TRUE(model_->SaveSelectedAs(out + "/" + name, prompts_));
        EXPECT_EQ(ReadAll(out + "/" + name), ReadAll(source)) << name;
    }
    EXPECT_TRUE(prompts_.shown().empty());

    // A picture the image library cannot read: told, and still unmarked.
    model_->AddPicture(Picture("broken.bmp", QByteArray(200, 'x')));
    EXPECT_FALSE(model_->SaveSelectedAs(out + "/broken.jpg", prompts_));
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].text, "imageSave Create fail");
    EXPECT_EQ(prompts_.shown()[0].title, "Tavolux");
    EXPECT_EQ(model_->GetSelected(nullptr) & tvx::EntryUnsaved, 0u);
    EXPECT_FALSE(QFile::exists(out + "/broken.jpg"));

    // A copy that cannot be made is not passed off as saved.
    EXPECT_FALSE(model_->SaveSelectedAs(out + "/no/such/folder/x.bmp", prompts_));
    EXPECT_EQ(prompts_.shown().size(), 2u);

    model_->ClearSelection(ListMode::Pictures);
    EXPECT_FALSE(model_->SaveSelectedAs(out + "/none.bmp", prompts_));
}

TEST_F(FileList, DeleteAsksThenMovesTheFileToTheTrash) {
    const QString a = Bmp("Still_a.bmp");
    const QString b = Bmp("Still_b.bmp");
    model_->ScanFolders();
    ASSERT_EQ(model_->Count(ListMode::Pictures), 2);
    const int ib = model_->Entries(ListMode::Pictures)[0]->path == b ? 0 : 1;
    ASSERT_TRUE(model_->SelectIndex(ib));

    prompts_.Push(Prompts::Answer::Cancel);
    model_->DeleteSelected(prompts_);
    EXPECT_TRUE(QFile::exists(b));
    EXPECT_EQ(model_->Count(ListMode::Pictures), 2);

    prompts_.Push(Prompts::Answer::Ok);
    model_->DeleteSelected(prompts_);
    EXPECT_FALSE(QFile::exists(b));
    EXPECT_TRUE(QFile::exists(a));
    ASSERT_EQ(model_->Count(ListMode::Pictures), 1);
    EXPECT_EQ(model_->SelectedIndex(ListMode::Pictures), -1);
    const QString trash =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files";
    EXPECT_TRUE(QFile::exists(trash + "/Still_b.bmp")) << "a confirmed delete stays undoable";
    ASSERT_EQ(prompts_.shown().size(), 2u);
    EXPECT_EQ(prompts_.shown()[1].text, "Are you sure to delete?");
    EXPECT_EQ(prompts_.shown()[1].icon, Prompts::Icon::Warning);

    // A file that cannot be deleted: the system's text, and the list unchanged.
    model_->SelectIndex(0);
    QFile::remove(a);
    prompts_.Push(Prompts::Answer::Ok);
    model_->DeleteSelected(prompts_);
    ASSERT_EQ(prompts_.shown().size(), 4u);
    EXPECT_EQ(prompts_.shown()[3].title, "Capture");
    EXPECT_EQ(prompts_.shown()[3].icon, Prompts::Icon::Error);
    EXPECT_EQ(prompts_.shown()[3].text, QString::fromLocal8Bit(strerror(ENOENT)));
    EXPECT_EQ(model_->Count(ListMode::Pictures), 1);
    EXPECT_EQ(model_->SelectedIndex(ListMode::Pictures), 0);
}

// Where no trash can be made the file is deleted for good, and nothing is
// left in the working directory (where Qt would otherwise put it).
TEST_F(FileList, WithoutATrashTheFileIsDeletedAndNothingStrays) {
    const QString blocker = tvx::test::homeDir() + "/not a folder";
    QFile plain(blocker);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", (blocker + "/share").toLocal8Bit());
    const QString work = tvx::test::homeDir() + "/cwd";
    QDir().mkpath(work);
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(work);

    model_->AddPicture(Bmp("Still_1.bmp"));
    prompts_.Push(Prompts::Answer::Ok);
    model_->DeleteSelected(prompts_);
    EXPECT_FALSE(QFile::exists(folders_.picture + "/Still_1.bmp"));
    EXPECT_EQ(model_->Count(ListMode::Pictures), 0);
    EXPECT_TRUE(QDir(work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    QDir::setCurrent(oldCwd);
    qputenv("XDG_DATA_HOME", oldData);
}

TEST_F(FileList, DeleteAllWithABmpSelectedEmptiesOnlyThePictureFolder) {
    Bmp("Still_1.bmp");
    Picture("Annotated.jpg", "jpeg bytes");
    Picture("readme.txt", "anything");
    QFile video(folders_.video + "/Video_1.avi");
    ASSERT_TRUE(video.open(QIODevice::WriteOnly));
    video.write("avi");
    video.close();
    model_->ScanFolders();
    model_->SelectIndex(0);

    prompts_.Push(Prompts::Answer::Cancel);
    model_->DeleteAll(prompts_);
    EXPECT_EQ(QDir(folders_.picture).entryList(QDir::Files).size(), 3);

    prompts_.Push(Prompts::Answer::Ok);
    model_->DeleteAll(prompts_);
    EXPECT_TRUE(QDir(folders_.picture).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(QFile::exists(folders_.video + "/Video_1.avi"));
    EXPECT_EQ(model_->Count(ListMode::Pictures), 0);
    EXPECT_EQ(model_->Count(ListMode::Videos), 1);
    EXPECT_EQ(prompts_.shown().back().text, "Are you sure to delete all?");
}

TEST_F(FileList, PageGeometryAndHitTesting) {
    EXPECT_EQ(strip_.cellWidth, 81);  // (179 − 16) / 2
    EXPECT_EQ(strip_.cellHeight, 73); // (480 − 38) / 6
    EXPECT_EQ(strip_.cells[0], QRect(5, 4, 81, 73));
    EXPECT_EQ(strip_.cells[11], QRect(93, 404, 81, 73));
    EXPECT_EQ(strip_.CellAt(QPoint(5, 4), 12), 0);
    EXPECT_EQ(strip_.CellAt(QPoint(85, 76), 12), 0);
    EXPECT_EQ(strip_.CellAt(QPoint(86, 4), 12), -1); // right edge: outside
    EXPECT_EQ(strip_.CellAt(QPoint(93, 404), 12), 11);
    EXPECT_EQ(strip_.CellAt(QPoint(93, 404), 11), -1);
    EXPECT_EQ(strip_.SelectionFrame(0), QRect(3, 2, 85, 77));
    const auto mark = strip_.UnsavedMark(0);
    EXPECT_EQ(mark[0], QLine(88, 2 + 54, 88, 79));
    EXPECT_EQ(mark[1], QLine(3 + 60, 79, 86, 79));
}

TEST_F(FileList, CellsGoToTheEntriesThatLoadAndClicksSelectWhatIsDrawn) {
    model_->AddPicture(Bmp("Still_1.bmp"));
    model_->AddPicture(Picture("Still_2.bmp", QByteArray(100, 'x'))); // no thumbnail
    model_->AddPicture(Bmp("Still_3.bmp", qRgb(0, 0, 255)));
    auto page = model_->VisiblePage(strip_);
    ASSERT_EQ(page.size(), 2u);
    EXPECT_EQ(page[1].cell, 1);
    EXPECT_EQ(page[1].index, 2);
    EXPECT_EQ(model_->Count(ListMode::Pictures), 3); // it stays listed

    EXPECT_TRUE(model_->SelectAt(strip_, strip_.cells[1].center()));
    EXPECT_EQ(SelectedPath(), folders_.picture + "/Still_3.bmp");
    EXPECT_EQ(model_->SelectedCell(), 1);
    // Between cells: no selection, and save as has nothing to work on.
    EXPECT_FALSE(model_->SelectAt(strip_, QPoint(88, 40)));
    EXPECT_EQ(model_->GetSelected(nullptr), 0u);
    EXPECT_FALSE(model_->SelectAt(strip_, strip_.cells[2].center())); // nothing drawn there

    // A file gone from the folder is dropped when its page is next made.
    model_->SelectIndex(2);
    QFile::remove(folders_.picture + "/Still_1.bmp");
    page = model_->VisiblePage(strip_);
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(model_->Count(ListMode::Pictures), 2);
    EXPECT_EQ(page[0].index, 1);
    EXPECT_EQ(model_->GetSelected(nullptr), 0u);

    EXPECT_FALSE(model_->CheckVanished(folders_.picture + "/Still_3.bmp"));
    QFile::remove(folders_.picture + "/Still_3.bmp");
    EXPECT_TRUE(model_->CheckVanished(folders_.picture + "/STILL_3.BMP"));
    EXPECT_EQ(model_->Count(ListMode::Pictures), 1);
}

TEST_F(FileList, RemovingAnEarlierEntryKeepsTheSelectionOnItsFile) {
    ManyPictures(4);
    model_->ScanFolders();
    model_->SelectIndex(2);
    const QString selected = SelectedPath();
    const QString first = model_->Entries(ListMode::Pictures)[0]->path;
    model_->RemoveEntry(first.toUpper());
    EXPECT_EQ(model_->SelectedIndex(ListMode::Pictures), 1);
    EXPECT_EQ(model_->Entries(ListMode::Pictures)[1]->path, selected);
}

TEST_F(FileList, ThumbnailsAreCachedUntilTheFileChanges) {
    const QString path = Bmp("Still_1.bmp", qRgb(255, 0, 0));
    model_->AddPicture(path);
    auto page = model_->VisiblePage(strip_);
    ASSERT_EQ(page.size(), 1u);
    const qint64 key = page[0].thumb.cacheKey();
    EXPECT_EQ(model_->VisiblePage(strip_)[0].thumb.cacheKey(), key);

    Bmp("Still_1.bmp", qRgb(0, 255, 0));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.setFileTime(QDateTime::currentDateTime().addSecs(10), QFileDevice::FileModificationTime);
    f.close();
    page = model_->VisiblePage(strip_);
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(page[0].thumb.pixel(10, 10), qRgb(0, 255, 0));
}

TEST_F(FileList, VideoFirstFramesDecodeOffTheUiThread) {
    const QString good = folders_.video + "/Video_1.avi";
    ASSERT_TRUE(tvx::test::WriteAvi(good, 64, 48, 2));
    model_->SetMode(ListMode::Videos);
    model_->SetAsyncVideoFrames(true);
    model_->AddVideo(good);
    EXPECT_EQ(model_->GetSelected(nullptr), 7u);
    int changed = 0;
    QObject::connect(model_.get(), &FileListModel::pageChanged, [&] { ++changed; });

    auto page = model_->VisiblePage(strip_);
    ASSERT_EQ(page.size(), 1u);
    EXPECT_TRUE(page[0].thumb.isNull()); // still decoding
    model_->WaitForThumbnails();
    QCoreApplication::processEvents();
    EXPECT_EQ(changed, 1);
    page = model_->VisiblePage(strip_);
    ASSERT_EQ(page.size(), 1u);
    ASSERT_EQ(page[0].thumb.size(), QSize(81, 73));
    EXPECT_GT(qRed(page[0].thumb.pixel(40, 5)), 200);   // top half red
    EXPECT_GT(qBlue(page[0].thumb.pixel(40, 70)), 200); // bottom half blue

    // A model gone before its jobs finish neither crashes nor gets called.
    model_->AddVideo(folders_.video + "/missing.avi");
    QFile bad(folders_.video + "/bad.avi");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(5000, 'r'));
    bad.close();
    model_->AddVideo(bad.fileName());
    model_->VisiblePage(strip_);
    model_.reset();
    QCoreApplication::processEvents();
}

} // namespace
