#include "info_windows/help_text.h"

#include "info_windows/contact.h"

namespace vcd::info_windows::help_text {

QStringList Lines() {
  const QString download = QString::fromLatin1(contact::kDownloadUrl);
  const QString email = QString::fromLatin1(contact::kEmail);
  return {
      // 1-6: what the player is for
      QStringLiteral("This a VCD player which can automatic find your cdrom "),
      QStringLiteral("and play. It was specially designed to play MTV , Just "),
      QStringLiteral("select the number button of which song you want play in "),
      QStringLiteral("the front panel .You will never find this kind of function if "),
      QStringLiteral("using other's VCD player software."),
      QString(),
      // 7-17: how to use it
      QStringLiteral("1.To play it ,Insert VCD on cdrom, then click \"Play VCD\""),
      QStringLiteral("2.To view full screen , click \"Full screen\" button. To "),
      QStringLiteral("change back to normal, press \"Esc\" button in keyboard."),
      QStringLiteral("3.If you play Karaoke VCD :"),
      QStringLiteral("---right click screen while VCD is playing."),
      QStringLiteral("---click properties."),
      QStringLiteral("---select Advanced."),
      QStringLiteral("---choose MPEG Audio Decoder."),
      QStringLiteral("---choose Channel ---Checked First or Second."),
      QStringLiteral("---Click OK."),
      QString(),
      // 18-23: the play order, the labels padded so that the colons line up on screen
      QStringLiteral("Playing Sequence"),
      QString(17, QLatin1Char('=')),
      QStringLiteral("Autoplay") + QString(13, QLatin1Char(' ')) + QStringLiteral(":->1->2->3->4->5->6->7...."),
      QStringLiteral("Next") + QString(18, QLatin1Char(' ')) + QStringLiteral(":->1->2->3->4......"),
      QStringLiteral("Autoplay if toggle :->1->2->3->4->If 8 Click->8->9->10...."),
      QStringLiteral("Autoplay if toggle :->1->2->3->4->If next click->5->6...."),
      QString(),
      QString(),
      QString(),
      // 27-31: no warranty
      QStringLiteral("This program is provided \"as is\", without warranty of any "),
      QStringLiteral("kind, express or implied, including merchantability or suitability  "),
      QStringLiteral("for a particular purpose. You use it at your own risk: the "),
      QStringLiteral("author is not liable for any loss or damage arising from "),
      QStringLiteral("its use."),
      QString(),
      // 33-37: where to get help
      QStringLiteral("If you encounter problems, please visit "),
      download + QStringLiteral(" and download the "),
      QStringLiteral("latest version to see if the issue has been resolved. If not, "),
      QStringLiteral("please send a bug report to: ") + email,
      QString(),
  };
}

QString Text() { return Lines().join(QStringLiteral("\r\n")); }

}  // namespace vcd::info_windows::help_text
