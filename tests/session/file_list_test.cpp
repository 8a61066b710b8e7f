#include "imaging/dib.h"
#include "imaging/jpeg_codec.h"
#include "imaging/thumbnail.h"
#include "media/first_frame.h"
#include "platform/folders.h"
#include "session/file_list.h"
#include "tests/media/avi_writer.h"
#include "tests/support/fifo_guard.h"
#include "tests/support/test_env.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using tvx::FileListModel;
using tvx::ListMode;

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
        // Every thumbnail drawn is looked at again on the worker.
        model_->thumbnails().SetRecheckInterval(0);
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
    QVariant Data(int row, int role) const { return model_->data(model_->index(row), role); }
    // Lets the workers finish what they were given and their results arrive.
    void Settle() {
        for (int i = 0; i < 200 && !model_->thumbnails().Idle(); ++i) {
            model_->thumbnails().WaitForWorkers();
            QCoreApplication::processEvents();
        }
    }
    // The thumbnail of `row` once the worker has made it: its state, and the
    // picture in `image`.
    int Thumb(int row, QImage* image = nullptr) {
        Settle(); // a look taken before the test changed a file
        Data(row, FileListModel::ThumbStateRole);
        Settle();
        if (image) *image = Data(row, Qt::DecorationRole).value<QImage>();
        return Data(row, FileListModel::ThumbStateRole).toInt();
    }

    tvx::StorageFolders folders_;
    std::unique_ptr<FileListModel> model_;
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
    EXPECT_EQ(model_->SelectedIndex(ListMode::Pictures), -1);

    // A new still comes to the top, selected, as a row inserted there.
    model_->SelectIndex(3);
    int inserted = -1;
    QObject::connect(model_.get(), &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex&, int first, int) { inserted = first; });
    model_->AddPicture(Bmp(Still(14)));
    EXPECT_EQ(inserted, 0);
    EXPECT_EQ(model_->rowCount(), 14);
    EXPECT_EQ(model_->SelectedIndex(ListMode::Pictures), 0);
    EXPECT_EQ(model_->GetSelected(nullptr), 7u);
    EXPECT_EQ(SelectedPath(), folders_.picture + "/" + Still(14));
    EXPECT_TRUE(Data(0, FileListModel::SelectedRole).toBool());
    EXPECT_FALSE(Data(4, FileListModel::SelectedRole).toBool());
    EXPECT_EQ(model_->Entries(ListMode::Pictures)[4]->flags, tvx::EntryPresent | tvx::EntryUnsaved);

    // A measured copy saved later sorts beside its original, before it.
    for (int n = 15; n <= 40; ++n)
        Bmp(Still(n));
    model_->ScanFolders();
    const QString measured = "Still_2024-05-01_120003_60X_N0003_measured.jpg";
    model_->AddPicture(Picture(measured, tvx::EncodeBmp(Flat(8, 8, 0)))); // any bytes will do
    const int at = model_->SelectedIndex(ListMode::Pictures);
    EXPECT_EQ(Names(ListMode::Pictures)[at], measured);
    EXPECT_EQ(Names(ListMode::Pictures)[at + 1], Still(3));

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
    ASSERT_EQ(model_->rowCount(), 2);
    EXPECT_FALSE(Data(0, FileListModel::UnsavedMarkRole).toBool());
    EXPECT_TRUE(Data(1, FileListModel::UnsavedMarkRole).toBool());
    QImage thumb;
    EXPECT_EQ(Thumb(1, &thumb), FileListModel::ThumbReady);
    EXPECT_EQ(thumb.size(), QSize(72, 73));
    EXPECT_EQ(thumb.pixel(40, 30), qRgb(200, 10, 10));
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

TEST(FileListCell, SelectionFrameAndUnsavedMark) {
    const QRect cell(5, 4, 81, 73);
    EXPECT_EQ(tvx::SelectionFrame(cell), QRect(3, 2, 85, 77));
    const auto mark = tvx::UnsavedMark(cell);
    EXPECT_EQ(mark[0], QLine(88, 2 + 54, 88, 79));
    EXPECT_EQ(mark[1], QLine(3 + 60, 79, 86, 79));
}

// A file that makes no thumbnail keeps its cell, with its name, so it can
// still be selected, opened and deleted.
TEST_F(FileList, UndecodableFilesGetANamedCellAndEveryCellIsSelectable) {
    model_->AddPicture(Bmp("Still_N1.bmp"));
    model_->AddPicture(Picture("Still_N2.bmp", QByteArray(100, 'x'))); // no picture in it
    model_->AddPicture(Bmp("Still_N3.bmp", qRgb(0, 0, 255)));
    ASSERT_EQ(model_->rowCount(), 3);
    EXPECT_EQ(Names(ListMode::Pictures),
              QStringList({"Still_N3.bmp", "Still_N2.bmp", "Still_N1.bmp"}));
    EXPECT_EQ(Thumb(0), FileListModel::ThumbReady);
    EXPECT_EQ(Thumb(1), FileListModel::ThumbFailed);
    EXPECT_EQ(Data(1, Qt::DisplayRole).toString(), "Still_N2.bmp");
    EXPECT_EQ(Thumb(2), FileListModel::ThumbReady);

    EXPECT_TRUE(model_->SelectIndex(1));
    EXPECT_EQ(SelectedPath(), folders_.picture + "/Still_N2.bmp");
    EXPECT_TRUE(model_->DeleteSelected());
    EXPECT_FALSE(QFile::exists(folders_.picture + "/Still_N2.bmp"));
    EXPECT_EQ(model_->Count(ListMode::Pictures), 2);
    EXPECT_FALSE(model_->SelectIndex(2)); // no file there
    EXPECT_EQ(model_->GetSelected(nullptr), 0u);

    // A file gone from the folder is dropped when its thumbnail is next
    // drawn, though it was made already.
    model_->SelectIndex(1);
    QFile::remove(folders_.picture + "/Still_N3.bmp");
    Thumb(0);
    EXPECT_EQ(model_->Count(ListMode::Pictures), 1);
    EXPECT_EQ(Names(ListMode::Pictures), QStringList({"Still_N1.bmp"}));
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
    QImage thumb;
    EXPECT_EQ(Thumb(0, &thumb), FileListModel::ThumbReady);
    EXPECT_EQ(thumb.pixel(5, 5), qRgb(10, 220, 10));
    EXPECT_EQ(Data(0, Qt::DisplayRole).toString(), "Still_N5_caf\\xE9.bmp");

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
    EXPECT_TRUE(tvx::test::FinishesWithoutBlocking({picture}, [&] {
        Data(0, FileListModel::ThumbStateRole);
        model_->thumbnails().WaitForWorkers();
    }));
    EXPECT_EQ(Thumb(0), FileListModel::ThumbFailed);

    const QString video = folders_.video + "/Video_N1.avi";
    const QString good = folders_.video + "/Video_N2.avi";
    ASSERT_TRUE(tvx::test::WriteAvi(video, 64, 48, 2));
    ASSERT_TRUE(tvx::test::WriteAvi(good, 64, 48, 2));
    model_->SetMode(ListMode::Videos);
    model_->ScanFolders();
    QFile::remove(video);
    ASSERT_TRUE(tvx::test::MakeFifo(video));
    EXPECT_TRUE(tvx::test::FinishesWithoutBlocking({video}, [&] {
        Data(1, FileListModel::ThumbStateRole);
        Data(0, FileListModel::ThumbStateRole);
        model_->thumbnails().WaitForWorkers();
    }));
    EXPECT_EQ(Thumb(0), FileListModel::ThumbReady); // the one behind it still decoded
    EXPECT_EQ(Thumb(1), FileListModel::ThumbFailed);
    Data(1, FileListModel::ThumbStateRole); // on its way again when the model goes
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
    QImage first, again;
    ASSERT_EQ(Thumb(0, &first), FileListModel::ThumbReady);
    ASSERT_EQ(Thumb(0, &again), FileListModel::ThumbReady);
    EXPECT_EQ(again.cacheKey(), first.cacheKey());

    Bmp("Still_1.bmp", qRgb(0, 255, 0));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.setFileTime(QDateTime::currentDateTime().addSecs(10), QFileDevice::FileModificationTime);
    f.close();
    QImage changed;
    ASSERT_EQ(Thumb(0, &changed), FileListModel::ThumbReady);
    EXPECT_EQ(changed.pixel(10, 10), qRgb(0, 255, 0));
}

// The model answers at once: an empty thumbnail until the worker has made
// it, then one dataChanged() for its row.
TEST_F(FileList, ThumbnailsAreMadeOnAWorkerAndToldWhenReady) {
    const QString good = folders_.video + "/Video_1.avi";
    ASSERT_TRUE(tvx::test::WriteAvi(good, 64, 48, 2));
    model_->SetMode(ListMode::Videos);
    model_->AddVideo(good);
    EXPECT_EQ(model_->GetSelected(nullptr), 7u);
    QList<int> changedRows;
    QObject::connect(model_.get(), &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex& to, const QList<int>& roles) {
                         if (roles.contains(Qt::DecorationRole))
                             for (int r = from.row(); r <= to.row(); ++r)
                                 changedRows << r;
                     });
    std::atomic<int> made{0};
    std::atomic<bool> onUiThread{false};
    QThread* const ui = QThread::currentThread();
    model_->thumbnails().SetMaker([&](const QString& path, tvx::ThumbnailCache::Kind kind,
                                      QSize cell, const std::atomic<bool>* stop) {
        ++made;
        if (QThread::currentThread() == ui) onUiThread = true;
        tvx::ThumbnailRecord record;
        tvx::ThumbnailCache::Made m;
        EXPECT_EQ(kind, tvx::ThumbnailCache::Kind::Video);
        if (tvx::LoadVideoFirstFrame(record, path, cell, stop).ok())
            m.image = record.ToImage().scaled(cell);
        return m;
    });

    EXPECT_EQ(Data(0, FileListModel::ThumbStateRole).toInt(), FileListModel::ThumbPending);
    EXPECT_TRUE(Data(0, Qt::DecorationRole).value<QImage>().isNull());
    QImage thumb;
    ASSERT_EQ(Thumb(0, &thumb), FileListModel::ThumbReady);
    EXPECT_EQ(changedRows, QList<int>({0}));
    EXPECT_EQ(made, 1);
    EXPECT_FALSE(onUiThread);
    ASSERT_EQ(thumb.size(), QSize(72, 73));
    EXPECT_GT(qRed(thumb.pixel(40, 5)), 200);   // top half red
    EXPECT_GT(qBlue(thumb.pixel(40, 70)), 200); // bottom half blue

    // A model gone before its jobs finish neither crashes nor gets called.
    model_->AddVideo(folders_.video + "/missing.avi");
    QFile bad(folders_.video + "/bad.avi");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(5000, 'r'));
    bad.close();
    model_->AddVideo(bad.fileName());
    for (int r = 0; r < model_->rowCount(); ++r)
        Data(r, Qt::DecorationRole);
    model_.reset();
    QCoreApplication::processEvents();
}

} // namespace
