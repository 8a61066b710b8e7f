#include "imaging/dib.h"
#include "imaging/jpeg_codec.h"
#include "platform/folders.h"
#include "session/file_list.h"
#include "tests/media/avi_writer.h"
#include "tests/support/fifo_guard.h"
#include "tests/support/test_env.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using tvx::FileListModel;
using tvx::ListMode;
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
    static QString Still(int n) {
        return QStringLiteral("Still_2024-05-01_1200%1_60X_N%2.bmp")
            .arg(n % 60, 2, 10, QLatin1Char('0'))
            .arg(n, 4, 10, QLatin1Char('0'));
    }
    QStringList Names(ListMode list) const {
        QStringList out;
        for (const auto& e : model_->Entries(list))
            out << QFileInfo(e->path).fileName();
        return out;
    }
    QString SelectedPath() const {
        QString p;
        model_->GetSelected(&p);
        return p;
    }

    tvx::StorageFolders folders_;
    std::unique_ptr<FileListModel> model_;
    const tvx::PageGeometry strip_ = tvx::PageGeometry::For(QSize(179, 480));
};

// Newest first, by the running number in the name: in the same order before
// and after a restart, and a new still goes where a scan would put it, on
// the page, selected.
TEST_F(FileList, NewestFirstByTheNumberInTheNameAndNewStillsComeIntoView) {
    // Written out of order, as a file system may list them.
    for (int n : {4, 2, 7, 1, 13, 3, 9, 5, 12, 6, 11, 8, 10})
        Bmp(Still(n));
    model_->ScanFolders();
    const QStringList scanned = Names(ListMode::Pictures);
    ASSERT_EQ(scanned.size(), 13);
    EXPECT_EQ(scanned.first(), Still(13));
    EXPECT_EQ(scanned.last(), Still(1));
    EXPECT_EQ(model_->TopRow(ListMode::Pictures), 0); // the newest on the first page
    EXPECT_EQ(model_->SelectedIndex(ListMode::Pictures), -1);

    // Scrolled to the end, a new still still comes to the top and into view.
    model_->SelectIndex(3);
    model_->Scroll(ScrollAction::Bottom);
    ASSERT_GT(model_->TopRow(ListMode::Pictures), 0);
    model_->AddPicture(Bmp(Still(14)));
    EXPECT_EQ(model_->TopRow(ListMode::Pictures), 0);
    EXPECT_EQ(model_->SelectedIndex(ListMode::Pictures), 0);
    EXPECT_EQ(model_->GetSelected(nullptr), 7u);
    EXPECT_EQ(SelectedPath(), folders_.picture + "/" + Still(14));
    auto page = model_->VisiblePage(strip_);
    EXPECT_EQ(page[0].index, 0);
    EXPECT_EQ(model_->SelectedCell(), 0);
    EXPECT_EQ(model_->Entries(ListMode::Pictures)[4]->flags, tvx::EntryPresent | tvx::EntryUnsaved);

    // A measured copy saved later sorts beside its original, before it;
    // when its place is off the page, the page moves to it.
    for (int n = 15; n <= 40; ++n)
        Bmp(Still(n));
    model_->ScanFolders();
    model_->Scroll(ScrollAction::Top);
    const QString measured = "Still_2024-05-01_120003_60X_N0003_measured.jpg";
    model_->AddPicture(Picture(measured, tvx::EncodeBmp(Flat(8, 8, 0)))); // any bytes will do
    const int at = model_->SelectedIndex(ListMode::Pictures);
    EXPECT_EQ(Names(ListMode::Pictures)[at], measured);
    EXPECT_EQ(Names(ListMode::Pictures)[at + 1], Still(3));
    const int top = model_->TopRow(ListMode::Pictures);
    EXPECT_TRUE(at / 2 >= top && at / 2 < top + tvx::kRowsPerPage) << at << " " << top;

    // A restart lists them the same way.
    const QStringList beforeRestart = Names(ListMode::Pictures);
    FileListModel again({folders_.picture, folders_.video});
    again.ScanFolders();
    QStringList afterRestart;
    for (const auto& e : again.Entries(ListMode::Pictures))
        afterRestart << QFileInfo(e->path).fileName();
    EXPECT_EQ(afterRestart, beforeRestart);

    // Recordings the same.
    for (int n : {2, 3, 1})
        QFile(folders_.video + QStringLiteral("/Video_2024-05-01_12000%1_N000%1.avi").arg(n))
            .open(QIODevice::WriteOnly);
    model_->ScanFolders();
    EXPECT_EQ(Names(ListMode::Videos),
              QStringList({"Video_2024-05-01_120003_N0003.avi", "Video_2024-05-01_120002_N0002.avi",
                           "Video_2024-05-01_120001_N0001.avi"}));
}

TEST(ListOrder, NumberThenTimeInTheNameThenFileTimeThenName) {
    using tvx::ListOrder;
    auto before = [](const char* a, qint64 ta, const char* b, qint64 tb) {
        return ListOrder::Before(ListOrder::Of(a, ta), ListOrder::Of(b, tb));
    };
    EXPECT_TRUE(before("/p/Still_2024-01-01_000000_N0010.bmp", 1,
                       "/p/Still_2025-01-01_000000_N0009.bmp", 2));
    EXPECT_TRUE(before("/p/Still_2025-01-01_000000_N0009.bmp", 1,
                       "/p/Still_2024-01-01_000000_N0009.bmp", 2));
    EXPECT_TRUE(before("/p/holiday.jpg", 5, "/p/beach.jpg", 4));
    EXPECT_TRUE(before("/p/b.jpg", 4, "/p/a.jpg", 4));
    EXPECT_TRUE(before("/p/Still_N0001.bmp", 0, "/p/holiday.jpg", 9)); // no number: last
    EXPECT_FALSE(before("/p/a.jpg", 4, "/p/a.jpg", 4));
}

TEST_F(FileList, ThirtyPicturesScrollOverFifteenRows) {
    ManyPictures(30);
    model_->ScanFolders();
    const tvx::ScrollInfo info = model_->UpdateScrollBar();
    EXPECT_EQ(info.min, 0);
    EXPECT_EQ(info.max, 14);
    EXPECT_EQ(info.page, 6);
    EXPECT_EQ(info.pos, 0); // the newest first
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

TEST_F(FileList, ScanListsEveryReadablePictureOverFortyBytesAndEveryAvi) {
    const QByteArray bmp = tvx::EncodeBmp(Flat(4, 4, 0));
    Picture("forty.bmp", bmp.left(40));
    Picture("fortyone.bmp", bmp.left(41));
    Picture("Upper.BMP", bmp);
    Picture("photo.jpg", QByteArray(100, 'j'));
    Picture("photo2.JPEG", QByteArray(100, 'j'));
    Picture("drawing.Png", QByteArray(100, 'p'));
    Picture("notes.txt", "x");
    QDir(folders_.picture).mkdir("folder.bmp");
    ASSERT_TRUE(tvx::test::MakeFifo(folders_.picture + "/pipe.bmp"));
    for (const char* name : {"Video_1.avi", "Upper.AVI"}) {
        QFile empty(folders_.video + "/" + name);
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    model_->ScanFolders();
    for (const auto& e : model_->Entries(ListMode::Pictures))
        EXPECT_EQ(e->flags, 3u);
    QStringList names = Names(ListMode::Pictures);
    names.sort();
    EXPECT_EQ(names, QStringList(
                         {"Upper.BMP", "drawing.Png", "fortyone.bmp", "photo.jpg", "photo2.JPEG"}));
    names = Names(ListMode::Videos);
    names.sort();
    EXPECT_EQ(names, QStringList({"Upper.AVI", "Video_1.avi"}));

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

    model_->AddPicture(Bmp("Annotated_N2.bmp"));
    model_->AddPicture(Bmp("still_N1.bmp"));
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

    ASSERT_TRUE(model_->SaveSelectedAs(out + "/copy.JPG"));
    const QByteArray jpeg = ReadAll(out + "/copy.JPG");
    EXPECT_TRUE(jpeg.startsWith(QByteArray("\xff\xd8", 2)));
    EXPECT_EQ(model_->GetSelected(nullptr) & tvx::EntryUnsaved, 0u);

    for (const char* name : {"copy.bmp", "copy.png"}) {
        QFile old(out + "/" + name); // an existing destination is replaced
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();
        ASSERT_TRUE(model_->SaveSelectedAs(out + "/" + name));
        EXPECT_EQ(ReadAll(out + "/" + name), ReadAll(source)) << name;
    }

    // A JPEG saved as a BMP is converted, and as a JPEG copied unchanged.
    model_->AddPicture(Picture("photo.jpg", tvx::EncodeJpeg(Flat(16, 8, qRgb(0, 200, 0)))));
    ASSERT_TRUE(model_->SaveSelectedAs(out + "/photo.BMP"));
    EXPECT_TRUE(ReadAll(out + "/photo.BMP").startsWith("BM"));
    ASSERT_TRUE(model_->SaveSelectedAs(out + "/photo.jpeg"));
    EXPECT_EQ(ReadAll(out + "/photo.jpeg"), ReadAll(folders_.picture + "/photo.jpg"));

    // A picture the image library cannot read: told, and still unmarked.
    model_->AddPicture(Picture("broken.bmp", QByteArray(200, 'x')));
    QString why;
    EXPECT_FALSE(model_->SaveSelectedAs(out + "/broken.jpg", &why));
    EXPECT_EQ(why, "imageSave Create fail");
    EXPECT_EQ(model_->GetSelected(nullptr) & tvx::EntryUnsaved, 0u);
    EXPECT_FALSE(QFile::exists(out + "/broken.jpg"));

    // A copy that cannot be made is not passed off as saved.
    why.clear();
    EXPECT_FALSE(model_->SaveSelectedAs(out + "/no/such/folder/x.bmp", &why));
    EXPECT_FALSE(why.isEmpty());

    model_->ClearSelection(ListMode::Pictures);
    EXPECT_FALSE(model_->SaveSelectedAs(out + "/none.bmp", &why));
    EXPECT_TRUE(why.isEmpty()) << "nothing selected is not a failure to tell";
}

TEST_F(FileList, DeleteMovesTheFileToTheTrashOrSaysWhyNot) {
    const QString a = Bmp("Still_a.bmp");
    const QString b = Bmp("Still_b.bmp");
    model_->ScanFolders();
    ASSERT_EQ(model_->Count(ListMode::Pictures), 2);
    const int ib = model_->Entries(ListMode::Pictures)[0]->path == b ? 0 : 1;
    ASSERT_TRUE(model_->SelectIndex(ib));

    QString why = "stale";
    EXPECT_TRUE(model_->DeleteSelected(&why));
    EXPECT_TRUE(why.isEmpty());
    EXPECT_FALSE(QFile::exists(b));
    EXPECT_TRUE(QFile::exists(a));
    ASSERT_EQ(model_->Count(ListMode::Pictures), 1);
    EXPECT_EQ(model_->SelectedIndex(ListMode::Pictures), -1);
    const QString trash =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files";
    EXPECT_TRUE(QFile::exists(trash + "/Still_b.bmp")) << "a delete stays undoable";
    EXPECT_FALSE(model_->DeleteSelected(&why)) << "nothing selected";
    EXPECT_TRUE(why.isEmpty());

    // A file that cannot be deleted: the system's text, and the list unchanged.
    model_->SelectIndex(0);
    QFile::remove(a);
    EXPECT_FALSE(model_->DeleteSelected(&why));
    EXPECT_EQ(why, QString::fromLocal8Bit(strerror(ENOENT)));
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
    EXPECT_TRUE(model_->DeleteSelected());
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

    model_->DeleteAll();
    EXPECT_TRUE(QDir(folders_.picture).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(QFile::exists(folders_.video + "/Video_1.avi"));
    EXPECT_EQ(model_->Count(ListMode::Pictures), 0);
    EXPECT_EQ(model_->Count(ListMode::Videos), 1);
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

// A file that makes no thumbnail keeps its cell, with its name, so it can
// still be selected, opened and deleted.
TEST_F(FileList, UndecodableFilesGetANamedCellAndEveryCellIsSelectable) {
    model_->AddPicture(Bmp("Still_N1.bmp"));
    model_->AddPicture(Picture("Still_N2.bmp", QByteArray(100, 'x'))); // no picture in it
    model_->AddPicture(Bmp("Still_N3.bmp", qRgb(0, 0, 255)));
    auto page = model_->VisiblePage(strip_);
    ASSERT_EQ(page.size(), 3u);
    EXPECT_EQ(Names(ListMode::Pictures),
              QStringList({"Still_N3.bmp", "Still_N2.bmp", "Still_N1.bmp"}));
    EXPECT_FALSE(page[0].placeholder);
    EXPECT_TRUE(page[1].placeholder);
    EXPECT_EQ(page[1].name, "Still_N2.bmp");
    EXPECT_EQ(page[1].cell, 1);
    EXPECT_FALSE(page[2].placeholder);

    EXPECT_TRUE(model_->SelectAt(strip_, strip_.cells[1].center()));
    EXPECT_EQ(SelectedPath(), folders_.picture + "/Still_N2.bmp");
    EXPECT_EQ(model_->SelectedCell(), 1);
    EXPECT_TRUE(model_->DeleteSelected());
    EXPECT_FALSE(QFile::exists(folders_.picture + "/Still_N2.bmp"));
    EXPECT_EQ(model_->Count(ListMode::Pictures), 2);

    // Between cells: no selection, and save as has nothing to work on.
    page = model_->VisiblePage(strip_);
    EXPECT_FALSE(model_->SelectAt(strip_, QPoint(88, 40)));
    EXPECT_EQ(model_->GetSelected(nullptr), 0u);
    EXPECT_FALSE(model_->SelectAt(strip_, strip_.cells[2].center())); // nothing drawn there

    // A file gone from the folder is dropped when its page is next made.
    model_->SelectIndex(1);
    QFile::remove(folders_.picture + "/Still_N3.bmp");
    page = model_->VisiblePage(strip_);
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(model_->Count(ListMode::Pictures), 1);
    EXPECT_EQ(page[0].index, 0);
    EXPECT_EQ(model_->GetSelected(nullptr), 0u);

    EXPECT_FALSE(model_->CheckVanished(folders_.picture + "/Still_N1.bmp"));
    QFile::remove(folders_.picture + "/Still_N1.bmp");
    EXPECT_TRUE(model_->CheckVanished(folders_.picture + "/STILL_N1.BMP"));
    EXPECT_EQ(model_->Count(ListMode::Pictures), 0);
}

// A name that is not UTF-8 is listed, shown escaped, and its file can be
// read and moved to the trash.
TEST_F(FileList, NamesThatAreNotUtf8AreShownEscapedAndStillReachTheirFiles) {
    const QByteArray native = QFile::encodeName(folders_.picture) + "/Still_N5_caf\xe9.bmp";
    {
        const QByteArray bmp = tvx::EncodeBmp(Flat(8, 8, qRgb(10, 220, 10)));
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, bmp.constData(), size_t(bmp.size())), bmp.size());
        ::close(fd);
    }
    model_->ScanFolders();
    ASSERT_EQ(model_->Count(ListMode::Pictures), 1);
    const auto page = model_->VisiblePage(strip_);
    ASSERT_EQ(page.size(), 1u);
    EXPECT_FALSE(page[0].placeholder);
    EXPECT_EQ(page[0].thumb.pixel(5, 5), qRgb(10, 220, 10));
    EXPECT_EQ(page[0].name, "Still_N5_caf\\xE9.bmp");

    model_->SelectIndex(0);
    EXPECT_TRUE(model_->DeleteSelected());
    struct stat st {};
    EXPECT_NE(::lstat(native.constData(), &st), 0);
    EXPECT_EQ(model_->Count(ListMode::Pictures), 0);
    const QString trash =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash";
    EXPECT_TRUE(QFile::exists(trash + "/files/Still_N5_caf\\xE9.bmp"));
    QFile info(trash + "/info/Still_N5_caf\\xE9.bmp.trashinfo");
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    EXPECT_TRUE(info.readAll().contains("Still_N5_caf%E9.bmp"));
}

// A listed file replaced by a FIFO behind the list's back: neither its
// picture thumbnail nor a video's first frame may wait on it, and the
// model still ends at once.
TEST_F(FileList, AFifoInAListedFilesPlaceBlocksNothing) {
    const QString picture = Bmp("Still_N1.bmp");
    model_->AddPicture(picture);
    QFile::remove(picture);
    ASSERT_TRUE(tvx::test::MakeFifo(picture));
    std::vector<FileListModel::PageCell> page;
    EXPECT_TRUE(
        tvx::test::FinishesWithoutBlocking({picture}, [&] { page = model_->VisiblePage(strip_); }));
    ASSERT_EQ(page.size(), 1u);
    EXPECT_TRUE(page[0].placeholder);

    const QString video = folders_.video + "/Video_N1.avi";
    const QString good = folders_.video + "/Video_N2.avi";
    ASSERT_TRUE(tvx::test::WriteAvi(video, 64, 48, 2));
    ASSERT_TRUE(tvx::test::WriteAvi(good, 64, 48, 2));
    model_->SetMode(ListMode::Videos);
    model_->SetAsyncVideoFrames(true);
    model_->ScanFolders();
    QFile::remove(video);
    ASSERT_TRUE(tvx::test::MakeFifo(video));
    EXPECT_TRUE(tvx::test::FinishesWithoutBlocking({video}, [&] {
        model_->VisiblePage(strip_);
        model_->WaitForThumbnails();
    }));
    QCoreApplication::processEvents();
    page = model_->VisiblePage(strip_);
    ASSERT_EQ(page.size(), 2u);
    EXPECT_FALSE(page[0].placeholder); // the one behind it still decoded
    EXPECT_FALSE(page[0].thumb.isNull());
    EXPECT_TRUE(page[1].placeholder);
    EXPECT_TRUE(tvx::test::FinishesWithoutBlocking({video}, [&] { model_.reset(); }));
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
