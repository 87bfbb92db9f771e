#pragma once

#include <QCoreApplication>
#include <QUrl>
#include <QWidget>

class QLabel;
class QPushButton;

namespace tovik {

// Settings → Privacy Policy: what is kept where, and a link to the full policy.
class PrivacyPolicyPage final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrivacyPolicyPage)

public:
    explicit PrivacyPolicyPage(QWidget *parent = nullptr);

    // The full policy installed with the program in `programFolder`; empty when missing.
    static QUrl policyUrl(const QString &programFolder = QCoreApplication::applicationDirPath());

private:
    QLabel *m_text;
    QPushButton *m_link;
};

} // namespace tovik
