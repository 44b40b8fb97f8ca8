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
    // Opens the wiki address for the stored article.
    void OpenArticle();

    QString Article() const { return m_article; }

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

// The wiki address of an article: the base address from the language tables, the article and "#z".
QString WikiAddress(const QString& article);
