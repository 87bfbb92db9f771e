#include "settings/modelsettingspage.h"

#include "language/retranslate.h"
#include "modelserver/modelserversettings.h"
#include "settings/modeltexts.h"
#include "settings/settingslabels.h"
#include "widgets/standardbox.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tovik {

namespace {

QDoubleSpinBox *thresholdBox(QWidget *parent)
{
    auto *box = new QDoubleSpinBox(parent);
    // The settings refuse 0 and anything above 2 (cosine distances lie in [0, 2]).
    box->setDecimals(3);
    box->setRange(0.001, 2.0);
    box->setSingleStep(0.005);
    return box;
}

void showText(QLineEdit *field, const QString &text)
{
    if (field->text() != text)
        field->setText(text);
}

} // namespace

ModelSettingsPage::ModelSettingsPage(ModelServerSettings &settings, QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
{
    auto *scroll = new QScrollArea(this);
    followLanguage(scroll, [scroll] { scroll->setAccessibleName(modelText(QStringLiteral("Model"))); });
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *content = new QWidget(scroll);
    scroll->setWidget(content);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    m_serverTitle = settingsHeadline(content);
    m_server = new QLineEdit(content);
    m_server->setPlaceholderText(QString::fromLatin1(ModelServerSettings::defaultServerURL));
    m_serverCaption = settingsCaption(content);
    m_embeddingTitle = settingsHeadline(content);
    m_englishModelLabel = new QLabel(content);
    m_englishModel = new QLineEdit(content);
    m_englishModel->setPlaceholderText(QStringLiteral("bge-m3"));
    m_chineseModelLabel = new QLabel(content);
    m_chineseModel = new QLineEdit(content);
    m_chineseModel->setPlaceholderText(QStringLiteral("bge-m3"));
    m_embeddingCaption = settingsCaption(content);
    m_assistantTitle = settingsHeadline(content);
    m_assistantModel = new QLineEdit(content);
    m_assistantModel->setPlaceholderText(QStringLiteral("qwen2.5:3b"));
    m_assistantCaption = settingsCaption(content);
    m_thresholdTitle = settingsHeadline(content);
    m_englishThresholdLabel = new QLabel(content);
    m_englishThreshold = thresholdBox(content);
    m_chineseThresholdLabel = new QLabel(content);
    m_chineseThreshold = thresholdBox(content);
    m_thresholdCaption = settingsCaption(content);
    m_checkTitle = settingsHeadline(content);
    m_check = new QPushButton(content);
    m_report = new QLabel(content);
    m_report->setWordWrap(true);
    m_report->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_report->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto *reportBox = new StandardBox(content);
    auto *reportColumn = new QVBoxLayout(reportBox);
    reportColumn->setContentsMargins(8, 8, 8, 8);
    reportColumn->addWidget(m_report);

    auto pairs = [](std::initializer_list<std::pair<QLabel *, QWidget *>> rows) {
        auto *form = new QFormLayout;
        form->setContentsMargins(0, 0, 0, 0);
        form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        for (const auto &[label, field] : rows) {
            label->setBuddy(field);
            form->addRow(label, field);
        }
        return form;
    };

    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(6);
    auto gap = [column] { column->addSpacing(10); };
    column->addWidget(m_serverTitle);
    column->addWidget(m_server);
    column->addWidget(m_serverCaption);
    gap();
    column->addWidget(m_embeddingTitle);
    column->addLayout(pairs({{m_englishModelLabel, m_englishModel}, {m_chineseModelLabel, m_chineseModel}}));
    column->addWidget(m_embeddingCaption);
    gap();
    column->addWidget(m_assistantTitle);
    column->addWidget(m_assistantModel);
    column->addWidget(m_assistantCaption);
    gap();
    column->addWidget(m_thresholdTitle);
    auto *thresholds =
        pairs({{m_englishThresholdLabel, m_englishThreshold}, {m_chineseThresholdLabel, m_chineseThreshold}});
    thresholds->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    column->addLayout(thresholds);
    column->addWidget(m_thresholdCaption);
    gap();
    auto *checkRow = new QHBoxLayout;
    checkRow->addWidget(m_checkTitle);
    checkRow->addStretch(1);
    checkRow->addWidget(m_check);
    column->addLayout(checkRow);
    column->addWidget(reportBox);
    column->addStretch(1);

    showSettings();

    // Every edit is stored as it is made.
    connect(m_server, &QLineEdit::textEdited, &m_settings, &ModelServerSettings::setModelServerURL);
    connect(m_englishModel, &QLineEdit::textEdited, &m_settings, &ModelServerSettings::setEnglishEmbeddingModel);
    connect(m_chineseModel, &QLineEdit::textEdited, &m_settings, &ModelServerSettings::setChineseEmbeddingModel);
    connect(m_assistantModel, &QLineEdit::textEdited, &m_settings, &ModelServerSettings::setAssistantModel);
    connect(m_englishThreshold, &QDoubleSpinBox::valueChanged, &m_settings,
            &ModelServerSettings::setEnglishDistanceThreshold);
    connect(m_chineseThreshold, &QDoubleSpinBox::valueChanged, &m_settings,
            &ModelServerSettings::setChineseDistanceThreshold);
    connect(m_check, &QPushButton::clicked, &m_settings, &ModelServerSettings::check);

    connect(&m_settings, &ModelServerSettings::settingsChanged, this, &ModelSettingsPage::showSettings);
    connect(&m_settings, &ModelServerSettings::isCheckingChanged, this, &ModelSettingsPage::refreshCheck);
    connect(&m_settings, &ModelServerSettings::checkReportChanged, this, &ModelSettingsPage::refreshCheck);
    followLanguage(this, [this] { retranslate(); });
}

void ModelSettingsPage::showSettings()
{
    showText(m_server, m_settings.modelServerURL());
    showText(m_englishModel, m_settings.englishEmbeddingModel());
    showText(m_chineseModel, m_settings.chineseEmbeddingModel());
    showText(m_assistantModel, m_settings.assistantModel());
    // A spin box rounds to its decimals; only a real difference is written back.
    if (qAbs(m_englishThreshold->value() - m_settings.englishDistanceThreshold()) >= 0.0005)
        m_englishThreshold->setValue(m_settings.englishDistanceThreshold());
    if (qAbs(m_chineseThreshold->value() - m_settings.chineseDistanceThreshold()) >= 0.0005)
        m_chineseThreshold->setValue(m_settings.chineseDistanceThreshold());
}

void ModelSettingsPage::refreshCheck()
{
    const bool checking = m_settings.isChecking();
    m_check->setEnabled(!checking);
    m_check->setText(modelText(checking ? QStringLiteral("Checking…") : QStringLiteral("Check")));
    const QString report = m_settings.checkReport();
    m_report->setText(report.isEmpty() ? modelText(QStringLiteral("Press Check to ask the server which models it has."))
                                       : localizedCheckReport(report));
    m_report->setForegroundRole(report.isEmpty() ? QPalette::PlaceholderText : QPalette::WindowText);
}

void ModelSettingsPage::retranslate()
{
    m_serverTitle->setText(modelText(QStringLiteral("Model server")));
    m_server->setAccessibleName(modelText(QStringLiteral("Model server")));
    m_serverCaption->setText(
        modelText(QStringLiteral("Meaning-aware history search asks this server (Ollama, llama.cpp or LM Studio) for "
                                 "sentence embeddings and for the assistant's reading. Nothing is sent anywhere else.")));
    m_embeddingTitle->setText(modelText(QStringLiteral("Embedding models")));
    m_englishModelLabel->setText(modelText(QStringLiteral("English")));
    m_englishModel->setAccessibleName(modelText(QStringLiteral("English embedding model")));
    m_chineseModelLabel->setText(modelText(QStringLiteral("Chinese")));
    m_chineseModel->setAccessibleName(modelText(QStringLiteral("Chinese embedding model")));
    m_embeddingCaption->setText(
        modelText(QStringLiteral("Leave a name empty to search that language by literal matches only.")));
    m_assistantTitle->setText(modelText(QStringLiteral("Assistant model")));
    m_assistantModel->setAccessibleName(modelText(QStringLiteral("Assistant model")));
    m_assistantCaption->setText(modelText(
        QStringLiteral("Reads negation in a search sentence. Leave it empty to use the negation rules on their own.")));
    m_thresholdTitle->setText(modelText(QStringLiteral("Distance thresholds")));
    m_englishThresholdLabel->setText(modelText(QStringLiteral("English")));
    m_englishThreshold->setAccessibleName(modelText(QStringLiteral("English distance threshold")));
    m_chineseThresholdLabel->setText(modelText(QStringLiteral("Chinese")));
    m_chineseThreshold->setAccessibleName(modelText(QStringLiteral("Chinese distance threshold")));
    m_thresholdCaption->setText(
        modelText(QStringLiteral("A saved question counts as a match when its cosine distance to the sentence is at "
                                 "most this value. Each embedding model needs its own values.")));
    m_checkTitle->setText(modelText(QStringLiteral("Server check")));
    m_report->setAccessibleName(modelText(QStringLiteral("Result of the server check")));
    refreshCheck();
}

} // namespace tovik
