// pagehost: the document camera's property pages in a property sheet.
//   pagehost            shows "Camera Control" and "Format" for the camera
//   pagehost --page N   starts on page N (0 the camera page, 1 the format page)
//   pagehost --grab F   saves a picture of the sheet to F and exits (no window needed)
// With TEVALCAP_SIMULATE=1 the pages talk to the simulated camera.
#include "PropertySheet.h"
#include "filter/CBasePropertyPage.h"
#include "filter/CFactoryTemplate.h"
#include "filter/CTevalFilter.h"
#include "filter/CTevalStream.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>

namespace {

// Creates the pages an object names and pairs each with that object.
void AddPages(IUnknown *object, std::vector<PropertySheet::Entry> &entries)
{
    void *specify = nullptr;
    if (FAILED(object->QueryInterface(IID_ISpecifyPropertyPages, &specify))) {
        return;
    }
    std::vector<CLSID> pages;
    if (FAILED(static_cast<ISpecifyPropertyPages *>(specify)->GetPages(&pages))) {
        return;
    }
    for (const CLSID &clsid : pages) {
        IUnknown *created = nullptr;
        if (FAILED(CFactoryTemplate::CreateClassInstance(clsid, nullptr, &created))) {
            continue;
        }
        auto *page = dynamic_cast<CBasePropertyPage *>(created);
        if (page == nullptr) {
            delete created;
            continue;
        }
        entries.push_back({std::unique_ptr<CBasePropertyPage>(page), object});
    }
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QString grabPath;
    int firstPage = 0;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--grab") && i + 1 < args.size()) {
            grabPath = args[++i];
        } else if (args[i] == QLatin1String("--page") && i + 1 < args.size()) {
            firstPage = args[++i].toInt();
        } else {
            QTextStream(stderr) << "usage: pagehost [--page N] [--grab FILE]\n";
            return 2;
        }
    }

    IUnknown *created = nullptr;
    if (FAILED(CFactoryTemplate::CreateClassInstance(CLSID_TevalCap, nullptr, &created))) {
        return 1;
    }
    std::unique_ptr<IUnknown> filter(created);
    auto *camera = dynamic_cast<CTevalFilter *>(created);
    std::vector<PropertySheet::Entry> entries;
    AddPages(camera, entries);
    AddPages(static_cast<IAMStreamConfig *>(camera->Stream()), entries);

    int result = 0;
    {
        PropertySheet sheet(QStringLiteral("Document Camera Properties"), std::move(entries));
        sheet.SelectPage(firstPage);
        if (sheet.PageCount() == 0) {
            QTextStream(stderr) << "pagehost: the camera cannot be reached\n";
            return 1;
        }
        if (!grabPath.isEmpty()) {
            sheet.show();
            app.processEvents();
            result = sheet.grab().save(grabPath) ? 0 : 1;
            sheet.reject();
        } else {
            sheet.exec();
        }
    }
    return result;
}
