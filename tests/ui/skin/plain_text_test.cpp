// Texts from language files are shown as text: markup in them is not obeyed.
#include "platform/language.h"
#include "tests/support/test_env.h"
#include "ui/skin/plain_text.h"
#include "ui/skin/widget_prompts.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTextDocument>
#include <QTimer>
#include <gtest/gtest.h>

namespace tvx {
namespace {

const QString kMarkup = QStringLiteral("<img src='/tmp/x.png'> <b>bold</b> & <a href='x'>link</a>");

TEST(PlainText, ToolTipsShowMarkupAsWritten) {
    ASSERT_TRUE(Qt::mightBeRichText(kMarkup)); // Qt would render this one as rich text
    for (const QString& text : {kMarkup, QStringLiteral("a  <br>  b"), QStringLiteral("plain")}) {
        QTextDocument doc;
        doc.setHtml(PlainToolTip(text));
        EXPECT_EQ(doc.toPlainText(), text) << text.toStdString();
        EXPECT_FALSE(doc.toHtml().contains("<img")) << text.toStdString();
    }
    // No text, no tool tip.
    EXPECT_TRUE(PlainToolTip(QString()).isEmpty());

    QLabel label;
    SetPlainLabelText(&label, kMarkup);
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    EXPECT_EQ(label.text(), kMarkup);
}

TEST(PlainText, MessageBoxesShowTheirTextAsPlainText) {
    Qt::TextFormat format = Qt::AutoText;
    QString shown;
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen = true;
        format = box->textFormat();
        shown = box->text();
        box->done(QMessageBox::Ok);
    });
    poll.start(10);
    WidgetPrompts prompts;
    prompts.Message("title", kMarkup, Prompts::Icon::Information, Prompts::Buttons::Ok);
    poll.stop();
    ASSERT_TRUE(seen);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shown, kMarkup);
}

} // namespace
} // namespace tvx
