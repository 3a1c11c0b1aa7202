#include "app/attachments_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <exception>

#include "app/attachments_layout.h"
#include "app/hand_over_socket.h"
#include "app/module_constants.h"
#include "platform/windows1252.h"
#include "script/script_runtime.h"
#include "ui/flat_button.h"
#include "ui/fonts.h"
#include "ui/html_label.h"
#include "ui/owner_draw_list.h"
#include "ui/path_ellipsis.h"
#include "ui/size_grip.h"
#include "ui/toolkit_bridge.h"

namespace foldant {

namespace {

const QColor kSelectedColour(128, 128, 192);
const QColor kHeaderColour(0, 0, 128);
const QColor kCaptionColour(128, 128, 128);
const QColor kLineShadow(160, 160, 160);

QString FromAnsi(const std::string& text) {
    return QString::fromStdString(AnsiToUtf8(text));
}

std::string ToAnsi(const QString& text) {
    return Utf8ToAnsi(text.toStdString());
}

QRect ToQt(const TLayoutRect& rect) {
    return QRect(rect.Left, rect.Top, rect.Width, rect.Height);
}

int VirtualKeyOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return kKeyReturn;
        case Qt::Key_Escape:
            return kKeyEscape;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 9;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        default:
            return 0;
    }
}

QWidget* WhitePanel(QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, Qt::white);
    panel->setPalette(palette);
    return panel;
}

// The body's caption, seen wherever the list does not cover it.
class TCaptionPanel : public QWidget {
  public:
    explicit TCaptionPanel(QWidget* parent) : QWidget(parent) {
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, Qt::white);
        setPalette(palette);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(DesignFont(19));
        painter.setPen(kCaptionColour);
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine,
                         QString::fromUtf8("Keine PDF-Anh\u00e4nge vorhanden"));
    }
};

class TLine : public QWidget {
  public:
    explicit TLine(QWidget* parent) : QWidget(parent) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setPen(kLineShadow);
        painter.drawLine(0, 0, width() - 1, 0);
    }
};

// A script page with a pencil across it: the icon that opens the setup script's folder.
QPixmap ScriptIcon() {
    QPixmap pixmap(18, 18);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(90, 90, 120));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(2.5, 1.5, 11, 15));
    painter.setPen(QColor(128, 128, 192));
    for (int y = 5; y <= 13; y += 3) {
        painter.drawLine(QPointF(4.5, y + 0.5), QPointF(11.5, y + 0.5));
    }
    QPainterPath pencil;
    pencil.moveTo(8, 15);
    pencil.lineTo(15.5, 7.5);
    pencil.lineTo(17, 9);
    pencil.lineTo(9.5, 16.5);
    pencil.closeSubpath();
    painter.setPen(QColor(120, 70, 0));
    painter.setBrush(QColor(240, 170, 40));
    painter.drawPath(pencil);
    return pixmap;
}

}  // namespace

TAttachmentsFrm::TAttachmentsFrm()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint) {
    setObjectName(kMainWindowClass);
    setWindowTitle("PDF in einer Datei vereinen");
    setFont(DesignFont(12));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    resize(kFormWidth, kFormHeight);
    setMinimumSize(kFormMinWidth, kFormMinHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center().x() - kFormWidth / 2, area.center().y() - kFormHeight / 2);
    }
    CreateControls();
    FormCreate();
}

TAttachmentsFrm::~TAttachmentsFrm() {
    SetScriptWaitPump({});
    handOver_.reset();
    job_.reset();
    platform::DeallocateHiddenWindow(handle_);
}

void TAttachmentsFrm::CreateControls() {
    Panel3 = new TCaptionPanel(this);
    Panel4 = WhitePanel(Panel3);
    Image1 = new QLabel(Panel4);
    Image1->setPixmap(ScriptIcon());
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip("Script anpassen");
    Image1->installEventFilter(this);
    HL = new THTMLabel(Panel4);
    HL->setFont(DesignFont(12));
    HL->SetTextColour(kHeaderColour);
    HL->SetEllipsis(true);
    HL->SetHtml("<B>Warte auf Daten..</B>");
    Bevel5 = new TLine(Panel3);
    LB = new TOwnerDrawList(Panel3);
    LB->setFont(DesignFont(13, true));
    LB->OnMeasureItem = [this](int) { return LBMeasureItem(); };
    LB->OnDrawItem = [this](QPainter& painter, int index, const QRect& rect, bool selected) {
        LBDrawItem(painter, index, rect, selected);
    };
    LB->OnKeyDown = [this](QKeyEvent& event) { LBKeyDown(event); };
    LB->installEventFilter(this);
    LB->hide();

    Panel2 = WhitePanel(this);
    HTMLabel1 = new THTMLabel(Panel2);
    HTMLabel1->setFont(DesignFont(12));
    HTMLabel1->SetAutoSize(true);
    HTMLabel1->SetHtml("<a href=x>Den Sendevorgang komplett abbrechen</a>");
    HTMLabel1->OnAnchorClick = [this](const QString&) { HTMLabel1AnchorClick(); };
    Panel5 = WhitePanel(Panel2);
    FOK = new TFlatButton(QString::fromUtf8("Ausf\u00fchren"), Panel5);
    FOK->setFont(DesignFont(12, true));
    FOK->installEventFilter(this);
    FOK->OnSelectNext = [this](int key) { HandleKey(VirtualKeyOf(key)); };
    QObject::connect(FOK, &QPushButton::clicked, [this] { FOKClick(); });
    FOK->setFocus();
    installEventFilter(this);
    ArrangeControls();
}

void TAttachmentsFrm::ArrangeControls() {
    TAttachmentsLayout layout = LayOutAttachmentsForm(width(), height());
    Panel3->setGeometry(ToQt(layout.Panel3));
    Panel4->setGeometry(ToQt(layout.Panel4));
    Image1->setGeometry(ToQt(layout.Image1));
    HL->setGeometry(ToQt(layout.HL));
    Bevel5->setGeometry(ToQt(layout.Bevel5));
    LB->setGeometry(ToQt(layout.LB));
    Panel2->setGeometry(ToQt(layout.Panel2));
    HTMLabel1->move(layout.HTMLabel1.X - layout.Panel2.Left,
                    layout.HTMLabel1.Y - layout.Panel2.Top);
    Panel5->setGeometry(ToQt(layout.Panel5.Within(layout.Panel2.TopLeft())));
    FOK->setGeometry(ToQt(layout.FOK.Within(layout.Panel5.TopLeft())));
}

void TAttachmentsFrm::resizeEvent(QResizeEvent* event) {
    ArrangeControls();
    QWidget::resizeEvent(event);
}

void TAttachmentsFrm::FormCreate() {
    SizeGrip = new TSizeGrip(Panel5);
    // Waiting for the script engine keeps the window and the channel served.
    SetScriptWaitPump([] { QCoreApplication::processEvents(); });
    handle_ = platform::AllocateHiddenWindow(
        [this](platform::TMessage& message) { WindowHandler(message); });
    try {
        handOver_ = std::make_unique<THandOverListener>(
            MainWindowClassName().empty() ? std::string(kMainWindowClass) : MainWindowClassName(),
            [this](const platform::TCopyDataStruct& record) {
                return platform::SendMessageTo(handle_, platform::kCopyDataMessage, 0,
                                               reinterpret_cast<std::intptr_t>(&record));
            });
    } catch (const std::exception&) {
        // Without its socket the window runs its own channel; only later starts cannot reach it.
    }
    try {
        TSendingJobView& view = *this;
        job_ = std::make_unique<TSendingJob>(view, ModuleArguments().Channel, ModuleState());
    } catch (...) {
        // The destructor does not run for a window whose construction fails.
        handOver_.reset();
        platform::DeallocateHiddenWindow(handle_);
        throw;
    }
}

void TAttachmentsFrm::WindowHandler(platform::TMessage& message) {
    if (message.Msg == platform::kCloseMessage) {
        close();
    } else if (message.Msg == platform::kCopyDataMessage && job_) {
        job_->HandleCopyData(message);
    }
}

bool TAttachmentsFrm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        // Key preview: the window sees the keys of its controls first, and its own only when
        // no control has the focus (keys passed up from a control were seen already).
        bool control = watched == FOK || watched == LB;
        bool window = watched == this && QApplication::focusWidget() == this;
        if (control || window) {
            FormKeyDown(static_cast<QKeyEvent&>(*event));
        }
    } else if (watched == Image1 && event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Image1Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TAttachmentsFrm::FormKeyDown(QKeyEvent& event) {
    HandleKey(VirtualKeyOf(event.key()));
}

void TAttachmentsFrm::LBKeyDown(QKeyEvent& event) {
    HandleKey(VirtualKeyOf(event.key()));
}

void TAttachmentsFrm::HandleKey(int key) {
    if (key == kKeyReturn) {
        FOK->click();
    } else if (key == kKeyEscape) {
        job_->CallOff();
    }
}

void TAttachmentsFrm::FOKClick() {
    job_->Execute();
}

void TAttachmentsFrm::HTMLabel1AnchorClick() {
    job_->CancelSending();
}

void TAttachmentsFrm::Image1Click() {
    job_->OpenSetupScript();
}

std::vector<std::string> TAttachmentsFrm::ListedFiles() const {
    std::vector<std::string> files;
    for (int row = 0; row < LB->count(); ++row) {
        files.push_back(ToAnsi(LB->item(row)->text()));
    }
    return files;
}

void TAttachmentsFrm::HandleSysCommand(unsigned command) {
    if ((command & 0xFFF0u) == kScClose) {
        job_->CloseBox();
    }
}

void TAttachmentsFrm::closeEvent(QCloseEvent* event) {
    // A close from the window system is the close box (or its key); the exchange's own close
    // request comes through the endpoint and is no user's call-off.
    if (event->spontaneous()) {
        HandleSysCommand(kScClose);
    }
    event->accept();
    QCoreApplication::quit();
}

void TAttachmentsFrm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TAttachmentsFrm::FormShow() {
    LB->SelectAll();
    RestoreAndFocus(*this, this);
}

bool TAttachmentsFrm::IsShown() const {
    return isVisible();
}

void TAttachmentsFrm::ShowWindow() {
    show();
}

void TAttachmentsFrm::ShowHeader(const std::string& markup) {
    HL->SetHtml(FromAnsi(markup));
}

void TAttachmentsFrm::ShowAttachments(const std::vector<std::string>& paths) {
    LB->clear();
    for (const auto& path : paths) {
        LB->addItem(FromAnsi(path));
    }
}

void TAttachmentsFrm::SelectAllAttachments() {
    LB->SelectAll();
    LB->show();
}

std::vector<std::string> TAttachmentsFrm::ChosenAttachments() const {
    std::vector<std::string> chosen;
    for (int row : LB->SelectedIndices()) {
        chosen.push_back(ToAnsi(LB->item(row)->text()));
    }
    return chosen;
}

void TAttachmentsFrm::BringToForeground() {
    ForceForeground(*this);
}

void TAttachmentsFrm::RestoreAndFocusWindow() {
    RestoreAndFocus(*this, this);
}

void TAttachmentsFrm::ShowError(const std::string& text) {
    ShowApplicationError(text);
}

int TAttachmentsFrm::LBMeasureItem() {
    return 3 * QFontMetrics(LB->font()).boundingRect("Wg").height();
}

void TAttachmentsFrm::LBDrawItem(QPainter& painter, int index, const QRect& rect, bool selected) {
    painter.fillRect(rect, selected ? kSelectedColour : QColor(Qt::white));
    painter.setPen(selected ? Qt::white : Qt::black);
    painter.setFont(LB->font());
    QFontMetrics metrics(LB->font());
    QString text = LB->item(index)->text();
    int textHeight = metrics.height();
    int top = rect.top();
    int bottom = rect.top() + rect.height();
    top = top + (bottom - top) / 2 - textHeight / 2;
    QRect textRect(rect.left() + 10, top, rect.width() - 20, bottom - top);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     PathEllipsis(text, metrics, textRect.width()));
}

void TAttachmentsFrm::ForceForeground(QWidget& window) {
    window.raise();
    window.activateWindow();
}

void TAttachmentsFrm::RestoreAndFocus(QWidget& applicationWindow, QWidget* focusWindow) {
    if (applicationWindow.isMinimized()) {
        applicationWindow.showNormal();
    }
    if (!applicationWindow.isActiveWindow()) {
        applicationWindow.raise();
        applicationWindow.activateWindow();
    }
    if (focusWindow) {
        // A window hands its focus on to the control that had it last, as the button at first.
        QWidget* control = focusWindow->focusWidget();
        (control ? control : focusWindow)->setFocus(Qt::ActiveWindowFocusReason);
    }
}

TMainWindowClass AttachmentsWindowClass() {
    return TMainWindowClass{kMainWindowClass, [] { return std::make_unique<TAttachmentsFrm>(); }};
}

}  // namespace foldant
