// SPDX-License-Identifier: MIT
#include "l10n/L10n.h"

#include <algorithm>
#include <atomic>
#include <unordered_map>

namespace brisquel {

namespace {

// One row per key; a null text means the language has none of its own.
struct Row {
  const char* key;
  const char* en;
  const char* ru;
  const char* uk;
  const char* he;
  const char* ar;
  const char* el;
};

// clang-format off
constexpr Row kTable[] = {
{"menu.language_switcher",
 "Velmonte",
 "Velmonte",
 "Velmonte",
 "Velmonte",
 "Velmonte",
 "Velmonte"},
{"menu.switching_method",
 "Switching method:",
 "Способ переключения:",
 "Спосіб перемикання:",
 "שיטת החלפה:",
 "طريقة التبديل:",
 "Μέθοδος εναλλαγής:"},
{"menu.hotkey.shift_fn",
 "Shift ⇧ + Fn",
 "Shift ⇧ + Fn",
 "Shift ⇧ + Fn",
 "Shift ⇧ + Fn",
 "Shift ⇧ + Fn",
 "Shift ⇧ + Fn"},
{"menu.hotkey.shift_option",
 "Shift ⇧ + Option ⌥",
 "Shift ⇧ + Option ⌥",
 "Shift ⇧ + Option ⌥",
 "Shift ⇧ + Option ⌥",
 "Shift ⇧ + Option ⌥",
 "Shift ⇧ + Option ⌥"},
{"menu.hotkey.shift_control",
 "Shift ⇧ + Ctrl^",
 "Shift ⇧ + Ctrl^",
 "Shift ⇧ + Ctrl^",
 "Shift ⇧ + Ctrl^",
 "Shift ⇧ + Ctrl^",
 "Shift ⇧ + Ctrl^"},
{"menu.hotkey.shift_command",
 "Shift ⇧ + Command ⌘",
 "Shift ⇧ + Command ⌘",
 "Shift ⇧ + Command ⌘",
 "Shift ⇧ + Command ⌘",
 "Shift ⇧ + Command ⌘",
 "Shift ⇧ + Command ⌘"},
{"menu.hotkey.all",
 "All of the above",
 "Все перечисленные",
 "Усі перелічені",
 "כל האפשרויות שלמעלה",
 "كل ما سبق",
 "Όλα τα παραπάνω"},
{"menu.typo_detector",
 "Auto 'typo' switcher",
 "Автоисправление раскладки",
 "Автовиправлення розкладки",
 "תיקון פריסה אוטומטי",
 "التصحيح التلقائي للتخطيط",
 "Αυτόματη διόρθωση διάταξης"},
{"menu.learned_words",
 "Learned words list…",
 "Список выученных слов…",
 "Список вивчених слів…",
 "רשימת מילים שנלמדו…",
 "قائمة الكلمات المتعلَّمة…",
 "Λίστα εκμαθημένων λέξεων…"},
{"menu.ignored_apps",
 "Ignored apps list…",
 "Список исключённых приложений…",
 "Список ігнорованих програм…",
 "רשימת יישומים מוחרגים…",
 "قائمة التطبيقات المستثناة…",
 "Λίστα εξαιρούμενων εφαρμογών…"},
{"menu.how_it_works",
 "How it works?",
 "Как это работает?",
 "Як це працює?",
 "איך זה עובד?",
 "كيف يعمل؟",
 "Πώς λειτουργεί;"},
{"menu.how_it_works.text",
 "The 'typo' auto-switcher automatically detects if you are typing in the wrong keyboard layout (e.g. typing Russian words in English layout) and instantly corrects it.\n\nYou can also expand the dictionary: if a word did not switch automatically, just press Option (⌥) immediately after typing.\n\nYou can edit the list of learned words in the menu.",
 "Автоисправление раскладки само замечает, что вы печатаете не в той раскладке (например, русские слова в английской), и сразу исправляет текст.\n\nСловарь можно пополнять: если слово не переключилось само, нажмите Option (⌥) сразу после того, как его напечатали.\n\nСписок выученных слов можно изменить в меню.",
 "Автовиправлення розкладки саме помічає, що ви друкуєте не в тій розкладці (наприклад, українські слова в англійській), і одразу виправляє текст.\n\nСловник можна поповнювати: якщо слово не перемкнулося само, натисніть Option (⌥) одразу після того, як його надрукували.\n\nСписок вивчених слів можна змінити в меню.",
 "התיקון האוטומטי מזהה כשאתם מקלידים בפריסת מקלדת שגויה (למשל מילים בעברית בפריסה האנגלית) ומתקן מיד.\n\nאפשר גם להרחיב את המילון: אם מילה לא הוחלפה אוטומטית, הקישו על Option (⌥) מיד אחרי הקלדתה.\n\nאת רשימת המילים שנלמדו אפשר לערוך מהתפריט.",
 "يكتشف التصحيح التلقائي متى تكتب بتخطيط لوحة مفاتيح خاطئ (مثل كتابة كلمات عربية بالتخطيط الإنجليزي) ويصحّحها فورًا.\n\nيمكنك أيضًا توسيع القاموس: إذا لم تُبدَّل كلمة تلقائيًا، فاضغط Option (⌥) مباشرةً بعد كتابتها.\n\nيمكنك تعديل قائمة الكلمات المتعلَّمة من القائمة.",
 "Η αυτόματη διόρθωση αναγνωρίζει πότε πληκτρολογείτε με λάθος διάταξη πληκτρολογίου (π.χ. ελληνικές λέξεις με την αγγλική διάταξη) και τις διορθώνει αμέσως.\n\nΜπορείτε επίσης να εμπλουτίσετε το λεξικό: αν μια λέξη δεν άλλαξε αυτόματα, πατήστε Option (⌥) αμέσως μετά την πληκτρολόγησή της.\n\nΜπορείτε να επεξεργαστείτε τη λίστα εκμαθημένων λέξεων από το μενού."},
{"menu.control_shortcuts",
 "Ctrl / Fn Hotkeys",
 "Сочетания Ctrl / Fn",
 "Сполучення Ctrl / Fn",
 "קיצורי Ctrl / Fn",
 "اختصارات Ctrl / Fn",
 "Συντομεύσεις Ctrl / Fn"},
{"menu.ctrl.toggle_all",
 "Toggle All Shortcuts",
 "Включить/выключить все сочетания",
 "Увімкнути/вимкнути всі сполучення",
 "הפעלה/כיבוי של כל הקיצורים",
 "تشغيل/إيقاف كل الاختصارات",
 "Εναλλαγή όλων των συντομεύσεων"},
{"menu.ctrl.warning_no_modifier",
 "Select at least one modifier",
 "Выберите хотя бы одну клавишу-модификатор",
 "Виберіть хоча б одну клавішу-модифікатор",
 "יש לבחור לפחות מקש שינוי אחד",
 "اختر مفتاح تعديل واحدًا على الأقل",
 "Επιλέξτε τουλάχιστον ένα πλήκτρο τροποποίησης"},
{"menu.ctrl.mode_header",
 "Active modifiers:",
 "Активные модификаторы:",
 "Активні модифікатори:",
 "מקשי שינוי פעילים:",
 "مفاتيح التعديل النشطة:",
 "Ενεργά πλήκτρα τροποποίησης:"},
{"menu.ctrl.mode_ctrl_or_fn",
 "Ctrl^ or Fn 🌐",
 "Ctrl^ или Fn 🌐",
 "Ctrl^ або Fn 🌐",
 "Ctrl^ או Fn 🌐",
 "Ctrl^ أو Fn 🌐",
 "Ctrl^ ή Fn 🌐"},
{"menu.ctrl.mode_ctrl_only",
 "Ctrl^ only",
 "Только Ctrl^",
 "Лише Ctrl^",
 "Ctrl^ בלבד",
 "Ctrl^ فقط",
 "Μόνο Ctrl^"},
{"menu.ctrl.undo",
 "Undo: ^ + Z",
 "Отменить: ^ + Z",
 "Скасувати: ^ + Z",
 "ביטול: ^ + Z",
 "تراجع: ^ + Z",
 "Αναίρεση: ^ + Z"},
{"menu.ctrl.redo",
 "Redo: ^ + Y | ⇧Z",
 "Повторить: ^ + Y | ⇧Z",
 "Повторити: ^ + Y | ⇧Z",
 "ביצוע חוזר: ^ + Y | ⇧Z",
 "إعادة: ^ + Y | ⇧Z",
 "Επανάληψη: ^ + Y | ⇧Z"},
{"menu.ctrl.copy",
 "Copy: ^ + C",
 "Копировать: ^ + C",
 "Копіювати: ^ + C",
 "העתקה: ^ + C",
 "نسخ: ^ + C",
 "Αντιγραφή: ^ + C"},
{"menu.ctrl.cut",
 "Cut: ^ + X",
 "Вырезать: ^ + X",
 "Вирізати: ^ + X",
 "גזירה: ^ + X",
 "قص: ^ + X",
 "Αποκοπή: ^ + X"},
{"menu.ctrl.paste",
 "Paste: ^ + V",
 "Вставить: ^ + V",
 "Вставити: ^ + V",
 "הדבקה: ^ + V",
 "لصق: ^ + V",
 "Επικόλληση: ^ + V"},
{"menu.ctrl.find",
 "Find: ^ + F",
 "Найти: ^ + F",
 "Знайти: ^ + F",
 "חיפוש: ^ + F",
 "بحث: ^ + F",
 "Εύρεση: ^ + F"},
{"menu.ctrl.select_all",
 "Select All: ^ + A",
 "Выбрать всё: ^ + A",
 "Вибрати все: ^ + A",
 "בחירת הכול: ^ + A",
 "تحديد الكل: ^ + A",
 "Επιλογή όλων: ^ + A"},
{"menu.ctrl.open",
 "Open: ^ + O",
 "Открыть: ^ + O",
 "Відкрити: ^ + O",
 "פתיחה: ^ + O",
 "فتح: ^ + O",
 "Άνοιγμα: ^ + O"},
{"menu.ctrl.save",
 "Save: ^ + S",
 "Сохранить: ^ + S",
 "Зберегти: ^ + S",
 "שמירה: ^ + S",
 "حفظ: ^ + S",
 "Αποθήκευση: ^ + S"},
{"menu.ctrl.print",
 "Print: ^ + P",
 "Напечатать: ^ + P",
 "Друкувати: ^ + P",
 "הדפסה: ^ + P",
 "طباعة: ^ + P",
 "Εκτύπωση: ^ + P"},
{"menu.ctrl.quit",
 "Quit: ^ + Q",
 "Завершить: ^ + Q",
 "Завершити: ^ + Q",
 "יציאה: ^ + Q",
 "إنهاء: ^ + Q",
 "Τερματισμός: ^ + Q"},
{"menu.ctrl.zoom",
 "Zoom: ^ + | - | = | 0",
 "Масштаб: ^ + | - | = | 0",
 "Масштаб: ^ + | - | = | 0",
 "זום: ^ + | - | = | 0",
 "تكبير/تصغير: ^ + | - | = | 0",
 "Μεγέθυνση: ^ + | - | = | 0"},
{"menu.ctrl.close_window",
 "Close Window: ^ + W",
 "Закрыть окно: ^ + W",
 "Закрити вікно: ^ + W",
 "סגירת חלון: ^ + W",
 "إغلاق النافذة: ^ + W",
 nullptr},
{"menu.ctrl.tabs",
 "Tabs: ^ + T",
 "Вкладки: ^ + T",
 "Вкладки: ^ + T",
 "כרטיסיות: ^ + T",
 "علامات التبويب: ^ + T",
 "Καρτέλες: ^ + T"},
{"menu.ctrl.windows",
 "Windows: ^ + N",
 "Окна: ^ + N",
 "Вікна: ^ + N",
 "חלונות: ^ + N",
 "النوافذ: ^ + N",
 "Παράθυρα: ^ + N"},
{"menu.ctrl.refresh",
 "Refresh: ^ + R",
 "Обновить: ^ + R",
 "Оновити: ^ + R",
 "רענון: ^ + R",
 "تحديث: ^ + R",
 "Ανανέωση: ^ + R"},
{"menu.ctrl.activity_monitor",
 "Activity Monitor: ^ + ⌥ + Del",
 "Мониторинг системы: ^ + ⌥ + Del",
 "Моніторинг системи: ^ + ⌥ + Del",
 "מנטר הפעילות: ^ + ⌥ + Del",
 "مراقب النشاط: ^ + ⌥ + Del",
 "Παρακολούθηση δραστηριότητας: ^ + ⌥ + Del"},
{"menu.ctrl.quit_closes_windows",
 "Close Finder windows: ^ + Q",
 "Закрыть окна Finder: ^ + Q",
 "Закрити вікна Finder: ^ + Q",
 "סגירת חלונות Finder: ^ + Q",
 "إغلاق نوافذ Finder: ^ + Q",
 nullptr},
{"menu.ctrl.need_more",
 "Need more shortcuts?",
 "Нужно больше сочетаний?",
 "Потрібно більше сполучень?",
 "צריכים עוד קיצורים?",
 "تحتاج إلى اختصارات أكثر؟",
 "Χρειάζεστε περισσότερες συντομεύσεις;"},
{"menu.ctrl.need_more.text",
 "You can remap the Control key to Command globally in macOS System Settings -> Keyboard -> Keyboard Shortcuts -> Modifier Keys.\n\nThis allows executing commands via Control without enabling individual toggles. However, it might interfere with some terminal shortcuts.",
 "Клавишу Control можно глобально переназначить на Command в настройках macOS: System Settings -> Keyboard -> Keyboard Shortcuts -> Modifier Keys.\n\nТогда команды через Control будут работать без отдельных переключателей. Однако это может помешать некоторым сочетаниям клавиш в терминале.",
 "Клавішу Control можна глобально перепризначити на Command у налаштуваннях macOS: System Settings -> Keyboard -> Keyboard Shortcuts -> Modifier Keys.\n\nТоді команди через Control працюватимуть без окремих перемикачів. Проте це може заважати деяким сполученням клавіш у терміналі.",
 "אפשר למפות מחדש את מקש Control ל-Command בכל המערכת בהגדרות macOS: System Settings -> Keyboard -> Keyboard Shortcuts -> Modifier Keys.\n\nכך אפשר להפעיל פקודות באמצעות Control בלי להפעיל כל מתג בנפרד. עם זאת, הדבר עלול להפריע לחלק מקיצורי המסוף.",
 "يمكنك إعادة تعيين مفتاح Control ليعمل كمفتاح Command في النظام كله من إعدادات macOS: System Settings -> Keyboard -> Keyboard Shortcuts -> Modifier Keys.\n\nبذلك تُنفَّذ الأوامر عبر Control دون تفعيل كل مفتاح على حدة. لكن قد يتعارض ذلك مع بعض اختصارات الطرفية.",
 "Μπορείτε να αντιστοιχίσετε το πλήκτρο Control στο Command για όλο το σύστημα στις ρυθμίσεις του macOS: System Settings -> Keyboard -> Keyboard Shortcuts -> Modifier Keys.\n\nΈτσι οι εντολές εκτελούνται με το Control χωρίς να ενεργοποιείτε κάθε διακόπτη ξεχωριστά. Ωστόσο, αυτό μπορεί να επηρεάσει ορισμένες συντομεύσεις του τερματικού."},
{"menu.show_layout_in_tray",
 "Show layout in menu bar",
 "Показывать раскладку в строке меню",
 "Показувати розкладку в рядку меню",
 "הצגת הפריסה בשורת התפריטים",
 "إظهار التخطيط في شريط القائمة",
 "Εμφάνιση διάταξης στη γραμμή μενού"},
{"menu.launch_at_login",
 "Launch at login",
 "Запускать при входе в систему",
 "Запускати під час входу в систему",
 "הפעלה בעת הכניסה למערכת",
 "التشغيل عند تسجيل الدخول",
 "Εκκίνηση κατά τη σύνδεση"},
{"menu.about",
 "About App…",
 "О программе…",
 "Про програму…",
 "אודות היישום…",
 "حول التطبيق…",
 "Σχετικά με την εφαρμογή…"},
{"menu.about.text",
 "Brisquel v1.01\n\nA companion for typing in several keyboard layouts: a layout-switching hotkey, correction of words typed in the wrong layout and Control shortcuts.\n\nhttps://brisquel.app",
 "Brisquel v1.01\n\nПомощник для тех, кто печатает в нескольких раскладках: переключение раскладки сочетанием клавиш, исправление слов, набранных не в той раскладке, и сочетания клавиш с Control.\n\nhttps://brisquel.app",
 "Brisquel v1.01\n\nПомічник для тих, хто друкує в кількох розкладках: перемикання розкладки сполученням клавіш, виправлення слів, набраних не в тій розкладці, і сполучення клавіш із Control.\n\nhttps://brisquel.app",
 "Brisquel v1.01\n\nעוזר למי שמקליד בכמה פריסות מקלדת: החלפת פריסה בצירוף מקשים, תיקון מילים שהוקלדו בפריסה שגויה וקיצורי Control.\n\nhttps://brisquel.app",
 "Brisquel v1.01\n\nرفيق لمن يكتب بعدة تخطيطات للوحة المفاتيح: تبديل التخطيط بمجموعة مفاتيح، وتصحيح الكلمات المكتوبة بتخطيط خاطئ، واختصارات Control.\n\nhttps://brisquel.app",
 "Brisquel v1.01\n\nΒοηθός για όσους γράφουν σε πολλές διατάξεις πληκτρολογίου: εναλλαγή διάταξης με συνδυασμό πλήκτρων, διόρθωση λέξεων που γράφτηκαν σε λάθος διάταξη και συντομεύσεις με το Control.\n\nhttps://brisquel.app"},
{"menu.about.support_author",
 "❤️ Support the Developer…",
 "❤️ Поддержать разработчика…",
 "❤️ Підтримати розробника…",
 "❤️ תמיכה במפתח…",
 "❤️ ادعم المطوّر…",
 "❤️ Υποστηρίξτε τον προγραμματιστή…"},
{"donation.title",
 "Enjoying Brisquel?",
 "Нравится Brisquel?",
 "Подобається Brisquel?",
 "נהנים מ-Brisquel?",
 "هل يعجبك Brisquel؟",
 "Σας αρέσει το Brisquel;"},
{"donation.message",
 "If this app makes your daily work smoother, please consider supporting its development and new features. Thank you for your support!",
 "Если приложение делает вашу повседневную работу удобнее, пожалуйста, поддержите его развитие и новые функции. Спасибо за поддержку!",
 "Якщо програма робить вашу щоденну роботу зручнішою, будь ласка, підтримайте її розвиток і нові можливості. Дякуємо за підтримку!",
 "אם היישום הופך את העבודה היומיומית שלכם לנוחה יותר, נשמח אם תשקלו לתמוך בפיתוח שלו ובתכונות חדשות. תודה על התמיכה!",
 "إذا كان هذا التطبيق يجعل عملك اليومي أسهل، فنرجو أن تفكر في دعم تطويره وميزاته الجديدة. شكرًا لدعمك!",
 "Αν αυτή η εφαρμογή κάνει την καθημερινή σας εργασία πιο εύκολη, σκεφτείτε να υποστηρίξετε την ανάπτυξή της και τις νέες λειτουργίες. Ευχαριστούμε για την υποστήριξη!"},
{"donation.btn_support",
 "Support & Donate ❤️",
 "Поддержать ❤️",
 "Підтримати ❤️",
 "תמיכה ותרומה ❤️",
 "ادعم وتبرّع ❤️",
 "Υποστήριξη & δωρεά ❤️"},
{"donation.btn_later",
 "Remind in a Month 💔",
 "Напомнить через месяц 💔",
 "Нагадати через місяць 💔",
 "להזכיר בעוד חודש 💔",
 "ذكّرني بعد شهر 💔",
 "Υπενθύμιση σε έναν μήνα 💔"},
{"menu.quit",
 "Quit",
 "Завершить",
 "Завершити",
 "יציאה",
 "إنهاء",
 "Τερματισμός"},
{"alert.security.title",
 "Permissions Required",
 "Требуются разрешения",
 "Потрібні дозволи",
 "נדרשות הרשאות",
 "الأذونات مطلوبة",
 "Απαιτούνται άδειες"},
{"alert.security.message",
 "Please grant permissions for the app and relaunch it.\nThis is required for global layout switching hotkeys monitoring.",
 "Пожалуйста, дайте приложению разрешения и перезапустите его.\nОни нужны, чтобы отслеживать глобальные сочетания клавиш для переключения раскладки.",
 "Будь ласка, надайте програмі дозволи й перезапустіть її.\nВони потрібні, щоб відстежувати глобальні сполучення клавіш для перемикання розкладки.",
 "יש להעניק ליישום הרשאות ולהפעיל אותו מחדש.\nהדבר נדרש למעקב אחר קיצורי המקשים הגלובליים להחלפת פריסה.",
 "يُرجى منح التطبيق الأذونات ثم إعادة تشغيله.\nهذا مطلوب لمراقبة اختصارات تبديل التخطيط على مستوى النظام.",
 "Παραχωρήστε άδειες στην εφαρμογή και εκκινήστε την ξανά.\nΑυτό χρειάζεται για την παρακολούθηση των καθολικών συντομεύσεων εναλλαγής διάταξης."},
{"alert.security.btn_settings",
 "Settings",
 "Настройки",
 "Налаштування",
 "הגדרות",
 "الإعدادات",
 "Ρυθμίσεις"},
{"alert.security.btn_exit",
 "Quit",
 "Завершить",
 "Завершити",
 "יציאה",
 "إنهاء",
 "Τερματισμός"},
{"alert.autostart.title",
 "Unable to Perform Operation",
 "Не удалось выполнить операцию",
 "Не вдалося виконати операцію",
 "לא ניתן לבצע את הפעולה",
 "تعذّر تنفيذ العملية",
 "Δεν είναι δυνατή η εκτέλεση της λειτουργίας"},
{"alert.autostart.message",
 "Make sure the app is copied to /Applications and try again.\nYou can also add it manually: Settings -> Users -> Login Items",
 "Убедитесь, что приложение скопировано в /Applications, и попробуйте снова.\nЕго также можно добавить вручную: Настройки -> Пользователи -> Объекты входа",
 "Переконайтеся, що програму скопійовано до /Applications, і спробуйте ще раз.\nЇї також можна додати вручну: Налаштування -> Користувачі -> Об’єкти входу",
 "ודאו שהיישום הועתק אל /Applications ונסו שוב.\nאפשר גם להוסיף אותו ידנית: הגדרות -> משתמשים -> פריטי התחברות",
 "تأكد من نسخ التطبيق إلى /Applications ثم أعد المحاولة.\nيمكنك أيضًا إضافته يدويًا: الإعدادات -> المستخدمون -> عناصر تسجيل الدخول",
 "Βεβαιωθείτε ότι η εφαρμογή έχει αντιγραφεί στο /Applications και δοκιμάστε ξανά.\nΜπορείτε επίσης να την προσθέσετε χειροκίνητα: Ρυθμίσεις -> Χρήστες -> Στοιχεία σύνδεσης"},
{"alert.ok",
 "OK",
 "OK",
 "OK",
 "אישור",
 "حسنًا",
 "OK"},
};
// clang-format on

using Texts = std::unordered_map<std::string_view, std::string_view>;
using Translations = std::unordered_map<std::string_view, Texts>;

// Built once, on first use (thread-safe static initialisation).
const Translations& translations() {
  static const Translations table = [] {
    Translations t;
    t.reserve(std::size(kTable));
    for (const Row& row : kTable) {
      Texts& texts = t[row.key];
      const char* byLanguage[] = {row.en, row.ru, row.uk, row.he, row.ar, row.el};
      for (std::size_t i = 0; i < L10n::kLanguages.size(); ++i) {
        if (byLanguage[i]) texts.emplace(L10n::kLanguages[i], byLanguage[i]);
      }
    }
    return t;
  }();
  return table;
}

// Points at one of kLanguages' literals, so reading it never races with the one write.
std::atomic<const char*> currentLanguage{nullptr};
std::atomic<bool> currentFixed{false};

const char* supportedLiteral(std::string_view code) {
  for (std::string_view language : L10n::kLanguages) {
    if (language == code) return language.data();
  }
  return nullptr;
}

}  // namespace

std::string L(std::string_view key) {
  return L10n::text(key, L10n::current());
}

namespace L10n {

std::string chooseLanguage(const std::vector<std::string>& preferredLanguages) {
  for (const std::string& entry : preferredLanguages) {
    // Supported codes are ASCII: a prefix holding anything else cannot match,
    // so folding ASCII letters is all the lower-casing needed.
    std::string prefix = entry.substr(0, 2);
    for (char& c : prefix) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (supportedLiteral(prefix)) return prefix;
  }
  return "en";
}

void initialize(const std::vector<std::string>& preferredLanguages) {
  if (currentFixed.exchange(true)) return;
  currentLanguage = supportedLiteral(chooseLanguage(preferredLanguages));
}

std::string_view current() {
  const char* language = currentLanguage.load();
  return language ? std::string_view(language) : kLanguages.front();
}

bool setCurrentForTesting(std::string_view language) {
  const char* literal = supportedLiteral(language);
  if (!literal) return false;
  currentFixed = true;
  currentLanguage = literal;
  return true;
}

std::string text(std::string_view key, std::string_view language) {
  const Translations& table = translations();
  const auto row = table.find(key);
  if (row == table.end()) return std::string(key);
  if (auto it = row->second.find(language); it != row->second.end()) return std::string(it->second);
  if (auto it = row->second.find("en"); it != row->second.end()) return std::string(it->second);
  return std::string(key);
}

bool hasOwnText(std::string_view key, std::string_view language) {
  const Translations& table = translations();
  const auto row = table.find(key);
  return row != table.end() && row->second.contains(language);
}

std::vector<std::string_view> keys() {
  std::vector<std::string_view> result;
  result.reserve(std::size(kTable));
  for (const Row& row : kTable) result.emplace_back(row.key);
  return result;
}

}  // namespace L10n
}  // namespace brisquel
