#pragma once

#include <QWidget>

class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tovik {

class ModelServerSettings;

// Settings → Model: where meaning-aware history search gets its models, the
// distance thresholds, and a check of the server. Every edit is stored at once.
class ModelSettingsPage final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ModelSettingsPage)

public:
    explicit ModelSettingsPage(ModelServerSettings &settings, QWidget *parent = nullptr);

    QLineEdit *serverField() const { return m_server; }
    QLineEdit *englishModelField() const { return m_englishModel; }
    QLineEdit *chineseModelField() const { return m_chineseModel; }
    QLineEdit *assistantModelField() const { return m_assistantModel; }
    QDoubleSpinBox *englishThresholdBox() const { return m_englishThreshold; }
    QDoubleSpinBox *chineseThresholdBox() const { return m_chineseThreshold; }
    QPushButton *checkButton() const { return m_check; }
    QLabel *reportLabel() const { return m_report; }

private:
    void showSettings();
    void refreshCheck();
    void retranslate();

    ModelServerSettings &m_settings;
    QLabel *m_serverTitle;
    QLineEdit *m_server;
    QLabel *m_serverCaption;
    QLabel *m_embeddingTitle;
    QLabel *m_englishModelLabel;
    QLineEdit *m_englishModel;
    QLabel *m_chineseModelLabel;
    QLineEdit *m_chineseModel;
    QLabel *m_embeddingCaption;
    QLabel *m_assistantTitle;
    QLineEdit *m_assistantModel;
    QLabel *m_assistantCaption;
    QLabel *m_thresholdTitle;
    QLabel *m_englishThresholdLabel;
    QDoubleSpinBox *m_englishThreshold;
    QLabel *m_chineseThresholdLabel;
    QDoubleSpinBox *m_chineseThreshold;
    QLabel *m_thresholdCaption;
    QLabel *m_checkTitle;
    QPushButton *m_check;
    QLabel *m_report;
};

} // namespace tovik
