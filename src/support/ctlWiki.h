#pragma once

#include <QWidget>

class QLabel;

// A small picture and a link text; a click opens the program's article in the family's wiki.
class ctlWiki : public QWidget {
    Q_OBJECT
public:
    explicit ctlWiki(QWidget* parent = nullptr);

    // Sets the link text and remembers the article name.
    bool Init(const QString& text, const QString& article);
    // Opens the stored article: in the wiki, or in the shipped user guide when no wiki is configured.
    void OpenArticle();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Arrange();

    QLabel* pic;
    QLabel* lblText;
    QString m_article;
};
