// The main window: builds and wires the controls, and turns the user's
// actions into calls of the scan controller, the look-ups and the files.
#pragma once

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class AboutDialog;
class Dialogs;
class FieldSpinner;
class FoundComputersView;
class FramePacer;
class QAction;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class ResultSheet;
class ScanController;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Reads the settings file into the fields. Throws PingSocketError when
    // the program cannot ping; no window exists then.
    explicit MainWindow(Dialogs& dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    ScanController& scanController() { return *scan; }
    // Help, About shows it; it is made hidden with the window.
    AboutDialog& aboutDialog() { return *about; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct SaveChoice {
        QString title;
        QString fileName;  // proposed; after a save, the one chosen last
    };

    void buildControls();
    QWidget* buildTopBar();
    QWidget* buildTestSheet();
    QWidget* buildResultSheet();
    QWidget* buildConfigSheet();
    void buildMenu();
    void connectControls();
    void setTabOrder();

    // Runs a handler so that no error escapes: one that gets out shows the
    // error box, and the program carries on.
    void guarded(const std::function<void()>& handler);

    void readSettings();
    void writeSettings();
    void checkOctetField(int index);
    void copyFieldsToParameters();
    void applySpeedPreset();
    void prepareResultSheet();

    void runOrStopTest();
    void startTest();
    void onTestFinished();
    void pingAddress();
    void setTestControlsLocked(bool locked);
    void resolveMnemonicClashes();

    void fillInLocalAddress();
    void solveHostName();
    void clearFoundComputers();
    void saveFoundComputers();
    void saveResultSheet();
    void clearResultSheet();
    bool chooseSaveFile(SaveChoice& choice);

    void showStatus(const QString& text);
    void setProgressRange(int low, int high);
    void setProgress(int value);

    Dialogs& dialogs;
    ScanController* scan = nullptr;
    std::unique_ptr<AboutDialog> about;

    std::array<QLineEdit*, 4> octetEdits{};
    std::array<FieldSpinner*, 4> octetSpinners{};
    QLineEdit* hostNameEdit = nullptr;
    QPushButton* solveButton = nullptr;
    QPushButton* localAddressButton = nullptr;
    QPushButton* pingButton = nullptr;
    QPushButton* runStopButton = nullptr;

    QTabWidget* sheets = nullptr;
    QWidget* testSheet = nullptr;
    FoundComputersView* foundView = nullptr;
    QPushButton* clearFoundButton = nullptr;
    QPushButton* saveFoundButton = nullptr;
    QWidget* resultPage = nullptr;
    ResultSheet* resultSheet = nullptr;
    QPushButton* saveResultsButton = nullptr;
    QPushButton* clearResultsButton = nullptr;
    QWidget* configSheet = nullptr;
    QLineEdit* repeatEdit = nullptr;
    FieldSpinner* repeatSpinner = nullptr;
    QLineEdit* rangeMinEdit = nullptr;
    FieldSpinner* rangeMinSpinner = nullptr;
    QLineEdit* rangeMaxEdit = nullptr;
    FieldSpinner* rangeMaxSpinner = nullptr;
    QCheckBox* onlyRepliesCheck = nullptr;
    QButtonGroup* sheetModeGroup = nullptr;  // overwrite or append on every round
    QButtonGroup* speedGroup = nullptr;

    QProgressBar* progressBar = nullptr;
    FramePacer* progressPacer = nullptr;
    FramePacer* statusPacer = nullptr;
    QString statusText;
    std::pair<int, int> progressRange{0, 254};
    int progressValue = 0;

    QAction* exitAction = nullptr;
    QAction* aboutAction = nullptr;

    SaveChoice saveResults{QStringLiteral("Save Scanvet Results"), QStringLiteral("ScanvetStatus")};
    SaveChoice saveFound{QStringLiteral("Save List Of Computers"), QStringLiteral("ComputerList")};
    bool closed = false;
    bool centred = false;
};
