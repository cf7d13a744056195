#include "app/AboutDialog.h"

#include "pipeline/LinkedLibraries.h"
#include "base/ProgramInfo.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#ifndef TW_ICON_FONT_VERSION
#define TW_ICON_FONT_VERSION ""
#endif

namespace {

QString program()
{
    return QString::fromUtf8(ProgramInfo::Name);
}

// A licence's full text from the resources, after `notice`; the scene's
// resources carry them, and a program without them names the licence.
QPlainTextEdit *licenceView(const QString &objectName, const QString &notice, const QString &resource,
                            const QString &missing)
{
    auto *view = new QPlainTextEdit;
    view->setObjectName(objectName);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFile file(resource);
    view->setPlainText(notice + (file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : missing));
    return view;
}

} // namespace

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("About %1").arg(program()));

    auto *icon = new QLabel;
    icon->setPixmap(QIcon(QStringLiteral(":/win32/winicon.ico")).pixmap(64, 64));
    auto *title = new QLabel(QStringLiteral("<h2>%1 %2</h2>%3")
                                 .arg(program(), QString::fromUtf8(ProgramInfo::Version),
                                      tr("Retunes songs and videos to another concert pitch.").toHtmlEscaped()));
    title->setObjectName(QStringLiteral("title"));
    title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *heading = new QHBoxLayout;
    heading->addWidget(icon);
    heading->addWidget(title, 1);

    QString summary = QStringLiteral("<p>%1</p>")
                          .arg(tr("%1 is free software under the GNU General Public License, version 3 or any "
                                  "later version (GPL-3.0-or-later): you may use, study, share and change it "
                                  "under its terms. It comes with no warranty. The licence's full text is under "
                                  "\"Licence\".")
                                   .arg(program())
                                   .toHtmlEscaped());
    const QString website = QString::fromUtf8(ProgramInfo::Website);
    if (!website.isEmpty())
        summary += QStringLiteral("<p><a href=\"%1\">%1</a></p>").arg(website.toHtmlEscaped());
    auto *about = new QLabel(summary);
    about->setObjectName(QStringLiteral("summary"));
    about->setWordWrap(true);
    about->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    about->setOpenExternalLinks(true);
    about->setMargin(8);

    auto *libraries = new QTreeWidget;
    libraries->setObjectName(QStringLiteral("libraries"));
    libraries->setRootIsDecorated(false);
    libraries->setHeaderLabels({tr("Library"), tr("Version"), tr("Licence"), tr("Used for")});
    for (const LibraryInfo &library : LinkedLibraries::all())
        new QTreeWidgetItem(libraries, {library.name, library.version, library.licence, library.use});
    // The icon font is part of the program's resources, copied from the
    // system's package at build time.
    new QTreeWidgetItem(libraries, {QStringLiteral("Font Awesome"), QStringLiteral(TW_ICON_FONT_VERSION),
                                    QStringLiteral("OFL-1.1"), tr("icons")});
    libraries->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto *fontNotice = new QLabel(tr("The icons are drawn with the font Font Awesome %1 by Dave Gandy "
                                     "(fontawesome.io), copyright 2012-2018 Dave Gandy, licensed under the "
                                     "SIL Open Font License, version 1.1, whose text is under \"Font licence\".")
                                      .arg(QStringLiteral(TW_ICON_FONT_VERSION)));
    fontNotice->setObjectName(QStringLiteral("fontNotice"));
    fontNotice->setWordWrap(true);
    auto *librariesPage = new QWidget;
    auto *librariesLayout = new QVBoxLayout(librariesPage);
    librariesLayout->addWidget(libraries, 1);
    librariesLayout->addWidget(fontNotice);

    auto *tabs = new QTabWidget;
    tabs->addTab(about, tr("About"));
    tabs->addTab(librariesPage, tr("Libraries"));
    tabs->addTab(licenceView(QStringLiteral("licenceText"), QString(), QStringLiteral(":/LICENSE"),
                             tr("The GNU General Public License, version 3: see the file LICENSE.")),
                 tr("Licence"));
    tabs->addTab(licenceView(QStringLiteral("fontLicenceText"),
                             QStringLiteral("Font Awesome %1\nCopyright 2012-2018 Dave Gandy\n\n")
                                 .arg(QStringLiteral(TW_ICON_FONT_VERSION)),
                             QStringLiteral(":/licences/OFL-1.1.txt"),
                             tr("The SIL Open Font License, version 1.1.")),
                 tr("Font licence"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(heading);
    layout->addWidget(tabs, 1);
    layout->addWidget(buttons);
    resize(680, 520);
}

AboutDialog::~AboutDialog() = default;
