<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>AsyncDatabase</name>
    <message>
        <source>The query service is stopped</source>
        <translation>Служба запросов остановлена</translation>
    </message>
</context>
<context>
    <name>AsyncSqlQuery</name>
    <message>
        <source>The number of placeholders (%1) and of bound values (%2) differ; nothing was sent</source>
        <translation>Число параметров (%1) и привязанных значений (%2) не совпадает; запрос не отправлен</translation>
    </message>
</context>
<context>
    <name>BoxAndWhiskersSeries</name>
    <message>
        <source>%1
%2
median %3, Q1 %4, Q3 %5
min %6, max %7</source>
        <translation>%1
%2
медиана %3, Q1 %4, Q3 %5
мин. %6, макс. %7</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>Минимум</translation>
    </message>
    <message>
        <source>Lower quartile</source>
        <translation>Нижний квартиль</translation>
    </message>
    <message>
        <source>Median</source>
        <translation>Медиана</translation>
    </message>
    <message>
        <source>Upper quartile</source>
        <translation>Верхний квартиль</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>Максимум</translation>
    </message>
</context>
<context>
    <name>ChartWidget</name>
    <message>
        <source>Series</source>
        <translation>Серия</translation>
    </message>
</context>
<context>
    <name>CsvExportAction</name>
    <message>
        <source>Save data as CSV…</source>
        <translation>Сохранить данные в CSV…</translation>
    </message>
    <message>
        <source>Save data</source>
        <translation>Сохранение данных</translation>
    </message>
    <message>
        <source>There is no data to save.</source>
        <translation>Нет данных для сохранения.</translation>
    </message>
    <message>
        <source>Select file to save</source>
        <translation>Выберите файл для сохранения</translation>
    </message>
    <message>
        <source>Comma separated value (*.csv)</source>
        <translation>Файлы CSV (*.csv)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
    <message>
        <source>Error open file %1: %2</source>
        <translation>Ошибка открытия файла %1: %2</translation>
    </message>
</context>
<context>
    <name>Database</name>
    <message>
        <source>Pending completion of the database (3 sec.)</source>
        <translation>Ожидание завершения работы с базой данных (3 с)</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Соединение разорвано</translation>
    </message>
    <message>
        <source>The database is closed</source>
        <translation>База данных закрыта</translation>
    </message>
    <message>
        <source>Interrupted by the user</source>
        <translation>Прервано пользователем</translation>
    </message>
    <message>
        <source>Internal error: cannot decode event</source>
        <translation>Внутренняя ошибка: не удаётся декодировать событие</translation>
    </message>
    <message>
        <source>Obtaining data on the phases</source>
        <translation>Получение данных о фазах</translation>
    </message>
    <message>
        <source>Obtaining data on the states</source>
        <translation>Получение данных о состояниях</translation>
    </message>
    <message>
        <source>Obtaining log data</source>
        <translation>Получение данных журнала</translation>
    </message>
    <message>
        <source>Obtaining data for the characteristic period</source>
        <translation>Получение данных за характерный период</translation>
    </message>
    <message>
        <source>Obtaining data for the selected period</source>
        <translation>Получение данных за выбранный период</translation>
    </message>
    <message>
        <source>Obtaining data for the previous day</source>
        <translation>Получение данных за предыдущие сутки</translation>
    </message>
    <message>
        <source>Obtaining list of detectors</source>
        <translation>Получение списка детекторов</translation>
    </message>
    <message>
        <source>Obtaining historical data</source>
        <translation>Получение исторических данных</translation>
    </message>
    <message>
        <source>Obtaining selected data</source>
        <translation>Получение выбранных данных</translation>
    </message>
    <message>
        <source>Obtaining data on the signal groups</source>
        <translation>Получение данных о сигнальных группах</translation>
    </message>
    <message>
        <source>Data acquisition is complete</source>
        <translation>Получение данных завершено</translation>
    </message>
    <message>
        <source>Connect to database %1@%2</source>
        <translation>Подключение к базе данных %1@%2</translation>
    </message>
    <message>
        <source>Connection established</source>
        <translation>Соединение установлено</translation>
    </message>
    <message>
        <source>Waiting for another view to finish reading</source>
        <translation>Ожидание, пока другое окно закончит чтение</translation>
    </message>
    <message>
        <source>The database server has no free connection now; the view tries again until it gets one</source>
        <translation>У сервера базы данных сейчас нет свободных соединений; окно повторяет попытки, пока не получит соединение</translation>
    </message>
    <message>
        <source>The connection to the database closed at once</source>
        <translation>Соединение с базой данных сразу закрылось</translation>
    </message>
</context>
<context>
    <name>DatabaseUrl</name>
    <message>
        <source>Invalid url format: a &quot;/&quot;, &quot;?&quot; or &quot;#&quot; in the user name or password must be written as %2F, %3F or %23</source>
        <translation>Неверный формат URL: символы «/», «?» и «#» в имени пользователя или пароле нужно записывать как %2F, %3F и %23</translation>
    </message>
    <message>
        <source>Invalid url format: the path must name the database driver and the database</source>
        <translation>Неверный формат URL: путь должен указывать драйвер базы данных и базу данных</translation>
    </message>
    <message>
        <source>The database URL has the option %1, but the driver %2 takes none</source>
        <translation>В URL базы данных указан параметр %1, но драйвер %2 не принимает параметров</translation>
    </message>
    <message>
        <source>The database URL has the option %1, which the driver %2 does not take (it takes %3)</source>
        <translation>В URL базы данных указан параметр %1, которого драйвер %2 не принимает (он принимает %3)</translation>
    </message>
    <message>
        <source>The value of the option %1 in the database URL cannot be passed to the driver (empty, or with a semicolon or surplus blanks)</source>
        <translation>Значение параметра %1 в URL базы данных нельзя передать драйверу (оно пустое или содержит точку с запятой или лишние пробелы)</translation>
    </message>
</context>
<context>
    <name>DayNavigator</name>
    <message>
        <source>Previous week (%1)</source>
        <translation>Предыдущая неделя (%1)</translation>
    </message>
    <message>
        <source>Previous day (%1)</source>
        <translation>Предыдущий день (%1)</translation>
    </message>
    <message>
        <source>Next week (%1)</source>
        <translation>Следующая неделя (%1)</translation>
    </message>
    <message>
        <source>Next day (%1)</source>
        <translation>Следующий день (%1)</translation>
    </message>
</context>
<context>
    <name>DtStatView</name>
    <message>
        <source>Detector:</source>
        <translation>Детектор:</translation>
    </message>
    <message>
        <source>Date:</source>
        <translation>Дата:</translation>
    </message>
    <message>
        <source>Parameter:</source>
        <translation>Параметр:</translation>
    </message>
    <message>
        <source>Intensity</source>
        <translation>Интенсивность</translation>
    </message>
    <message>
        <source>Occupancy</source>
        <translation>Занятость</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Скорость</translation>
    </message>
    <message>
        <source>Deepness (weeks):</source>
        <translation>Глубина (недель):</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Обновить</translation>
    </message>
    <message>
        <source>Box and whiskers</source>
        <translation>Диаграмма размаха</translation>
    </message>
    <message>
        <source>Confidence interval</source>
        <translation>Доверительный интервал</translation>
    </message>
    <message>
        <source>Median</source>
        <translation>Медиана</translation>
    </message>
    <message>
        <source>Selected data</source>
        <translation>Выбранные данные</translation>
    </message>
    <message>
        <source>health</source>
        <translation>исправность</translation>
    </message>
    <message>
        <source>The selected object does not have detectors</source>
        <translation>У выбранного объекта нет детекторов</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
    <message>
        <source>Obtaining a list of detectors is interrupted</source>
        <translation>Получение списка детекторов прервано</translation>
    </message>
    <message>
        <source>Data from the detector %1 for object %2</source>
        <translation>Данные детектора %1 объекта %2</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>неизвестно</translation>
    </message>
    <message>
        <source>no failure</source>
        <translation>нет неисправностей</translation>
    </message>
    <message>
        <source>failures:</source>
        <translation>неисправности:</translation>
    </message>
</context>
<context>
    <name>DtView</name>
    <message>
        <source>Detector:</source>
        <translation>Детектор:</translation>
    </message>
    <message>
        <source>raw data</source>
        <translation>исходные данные</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>День</translation>
    </message>
    <message>
        <source>Week</source>
        <translation>Неделя</translation>
    </message>
    <message>
        <source>Date:</source>
        <translation>Дата:</translation>
    </message>
    <message>
        <source>Parameter:</source>
        <translation>Параметр:</translation>
    </message>
    <message>
        <source>Intensity</source>
        <translation>Интенсивность</translation>
    </message>
    <message>
        <source>Occupancy</source>
        <translation>Занятость</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Скорость</translation>
    </message>
    <message>
        <source>Grouping:</source>
        <translation>Группировка:</translation>
    </message>
    <message>
        <source>Weekdays</source>
        <translation>Будни</translation>
    </message>
    <message>
        <source>Weekends</source>
        <translation>Выходные</translation>
    </message>
    <message>
        <source>Weekdays before and after the weekdays</source>
        <translation>Будни между буднями</translation>
    </message>
    <message>
        <source>Weekdays before the weekends</source>
        <translation>Будни перед выходными</translation>
    </message>
    <message>
        <source>Weekdays after the weekends</source>
        <translation>Будни после выходных</translation>
    </message>
    <message>
        <source>Weekends before the weekdays</source>
        <translation>Выходные перед буднями</translation>
    </message>
    <message>
        <source>Weekends after the weekdays</source>
        <translation>Выходные после будней</translation>
    </message>
    <message>
        <source>Holidays</source>
        <translation>Праздники</translation>
    </message>
    <message>
        <source>Holiday</source>
        <translation>Праздничный день</translation>
    </message>
    <message>
        <source>Weekday</source>
        <translation>Рабочий день</translation>
    </message>
    <message>
        <source>Mondays</source>
        <translation>Понедельники</translation>
    </message>
    <message>
        <source>Tuesdays</source>
        <translation>Вторники</translation>
    </message>
    <message>
        <source>Wednesdays</source>
        <translation>Среды</translation>
    </message>
    <message>
        <source>Thursdays</source>
        <translation>Четверги</translation>
    </message>
    <message>
        <source>Fridays</source>
        <translation>Пятницы</translation>
    </message>
    <message>
        <source>Saturdays</source>
        <translation>Субботы</translation>
    </message>
    <message>
        <source>Sundays</source>
        <translation>Воскресенья</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Обновить</translation>
    </message>
    <message>
        <source>The characteristic period</source>
        <translation>Характерный период</translation>
    </message>
    <message>
        <source>The selected period</source>
        <translation>Выбранный период</translation>
    </message>
    <message>
        <source>Yesterday</source>
        <translation>Вчера</translation>
    </message>
    <message>
        <source>health</source>
        <translation>исправность</translation>
    </message>
    <message>
        <source>The selected object does not have detectors</source>
        <translation>У выбранного объекта нет детекторов</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
    <message>
        <source>Obtaining a list of detectors is interrupted</source>
        <translation>Получение списка детекторов прервано</translation>
    </message>
    <message>
        <source>Data from the detector %1 for object %2</source>
        <translation>Данные детектора %1 объекта %2</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>неизвестно</translation>
    </message>
    <message>
        <source>no failure</source>
        <translation>нет неисправностей</translation>
    </message>
    <message>
        <source>failures:</source>
        <translation>неисправности:</translation>
    </message>
</context>
<context>
    <name>FaultsDtView</name>
    <message>
        <source>Detector:</source>
        <translation>Детектор:</translation>
    </message>
    <message>
        <source>date:</source>
        <translation>дата:</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Обновить</translation>
    </message>
    <message>
        <source>normal</source>
        <translation>норма</translation>
    </message>
    <message>
        <source>fault %1</source>
        <translation>неисправность %1</translation>
    </message>
    <message>
        <source>left border</source>
        <translation>левая граница</translation>
    </message>
    <message>
        <source>right border</source>
        <translation>правая граница</translation>
    </message>
    <message>
        <source>occupancy, %</source>
        <translation>занятость, %</translation>
    </message>
    <message>
        <source>intensity, veh/h</source>
        <translation>интенсивность, авт/ч</translation>
    </message>
    <message>
        <source>No database connection is configured</source>
        <translation>Подключение к базе данных не настроено</translation>
    </message>
    <message>
        <source>obtaining detectors list ...</source>
        <translation>получение списка детекторов ...</translation>
    </message>
    <message>
        <source>warning</source>
        <translation>предупреждение</translation>
    </message>
    <message>
        <source>Selected object not contains detectors</source>
        <translation>Выбранный объект не содержит детекторов</translation>
    </message>
    <message>
        <source>Rejection chart for dt %1-%2</source>
        <translation>Диаграмма отбраковки детектора %1-%2</translation>
    </message>
    <message>
        <source>obtaining data ...</source>
        <translation>получение данных ...</translation>
    </message>
    <message>
        <source>no data</source>
        <translation>нет данных</translation>
    </message>
    <message>
        <source>time: %1
occupancy=%2 %
intensity=%3 veh/h</source>
        <translation>время: %1
занятость=%2 %
интенсивность=%3 авт/ч</translation>
    </message>
    <message>
        <source>fault %1 (%2)</source>
        <translation>неисправность %1 (%2)</translation>
    </message>
    <message>
        <source>obtaining data complete</source>
        <translation>получение данных завершено</translation>
    </message>
</context>
<context>
    <name>GanttSeries</name>
    <message>
        <source>From</source>
        <translation>Начало</translation>
    </message>
    <message>
        <source>To</source>
        <translation>Конец</translation>
    </message>
    <message>
        <source>Row</source>
        <translation>Строка</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Текст</translation>
    </message>
</context>
<context>
    <name>HealthHistoryView</name>
    <message>
        <source>date</source>
        <translation>дата</translation>
    </message>
    <message>
        <source>health, %</source>
        <translation>исправность, %</translation>
    </message>
    <message>
        <source>Detector:</source>
        <translation>Детектор:</translation>
    </message>
    <message>
        <source>Start date:</source>
        <translation>Начальная дата:</translation>
    </message>
    <message>
        <source>End date:</source>
        <translation>Конечная дата:</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Обновить</translation>
    </message>
    <message>
        <source>warning</source>
        <translation>предупреждение</translation>
    </message>
    <message>
        <source>Selected object not contains detectors</source>
        <translation>Выбранный объект не содержит детекторов</translation>
    </message>
    <message>
        <source>health history for dt %1-%2</source>
        <translation>история исправности детектора %1-%2</translation>
    </message>
    <message>
        <source>obtaining data ...</source>
        <translation>получение данных ...</translation>
    </message>
    <message>
        <source>obtaining data complete</source>
        <translation>получение данных завершено</translation>
    </message>
    <message>
        <source>No database connection is configured</source>
        <translation>Подключение к базе данных не настроено</translation>
    </message>
</context>
<context>
    <name>HighLowSeries</name>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>Нижнее</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Верхнее</translation>
    </message>
</context>
<context>
    <name>LineSeries</name>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Значение</translation>
    </message>
</context>
<context>
    <name>LiveFollow</name>
    <message>
        <source>Live</source>
        <translation>Онлайн</translation>
    </message>
    <message>
        <source>Add the rows the controller writes as they arrive (off: paused)</source>
        <translation>Добавлять записи контроллера по мере их поступления (выключено: пауза)</translation>
    </message>
</context>
<context>
    <name>LogFilterBar</name>
    <message>
        <source>All types</source>
        <translation>Все типы</translation>
    </message>
    <message>
        <source>Event types shown</source>
        <translation>Показываемые типы событий</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Поиск</translation>
    </message>
    <message>
        <source>Rows whose type, source or description contain this text (%1)</source>
        <translation>Строки, в типе, источнике или описании которых есть этот текст (%1)</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Сбросить</translation>
    </message>
    <message>
        <source>Show every row again</source>
        <translation>Снова показать все строки</translation>
    </message>
    <message>
        <source>Go to:</source>
        <translation>Перейти к:</translation>
    </message>
    <message>
        <source>%L1 of %L2 records</source>
        <translation>Записей: %L1 из %L2</translation>
    </message>
    <message>
        <source>Event types shown: %1</source>
        <translation>Показываемые типы событий: %1</translation>
    </message>
    <message>
        <source>The first row from this time on, in the order shown</source>
        <translation>Первая строка начиная с этого времени, в порядке показа</translation>
    </message>
</context>
<context>
    <name>LogView</name>
    <message>
        <source>Source</source>
        <translation>Источник</translation>
    </message>
    <message>
        <source>Date:</source>
        <translation>Дата:</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Обновить</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Время</translation>
    </message>
    <message>
        <source>Device time</source>
        <translation>Время контроллера</translation>
    </message>
    <message>
        <source>Event type</source>
        <translation>Тип события</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Описание</translation>
    </message>
    <message>
        <source>Time;Device time;Type;Source;Description</source>
        <translation>Время;Время контроллера;Тип;Источник;Описание</translation>
    </message>
    <message>
        <source>Time;Device time;Type;Description</source>
        <translation>Время;Время контроллера;Тип;Описание</translation>
    </message>
    <message>
        <source>No row from %1 on</source>
        <translation>Нет строк начиная с %1</translation>
    </message>
    <message>
        <source>Select file to save</source>
        <translation>Выберите файл для сохранения</translation>
    </message>
    <message>
        <source>Comma separated value (*.csv)</source>
        <translation>Файлы CSV (*.csv)</translation>
    </message>
    <message>
        <source>Saving… %1%</source>
        <translation>Сохранение… %1%</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
    <message>
        <source>Error open file %1: %2</source>
        <translation>Ошибка открытия файла %1: %2</translation>
    </message>
</context>
<context>
    <name>LumoViewPlugin</name>
    <message>
        <source>Error while working with database driver</source>
        <translation>Ошибка при работе с драйвером базы данных</translation>
    </message>
</context>
<context>
    <name>ParametersDlg</name>
    <message>
        <source>Database parameters</source>
        <translation>Параметры базы данных</translation>
    </message>
    <message>
        <source>Host:</source>
        <translation>Сервер:</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Порт:</translation>
    </message>
    <message>
        <source>Database name:</source>
        <translation>Имя базы данных:</translation>
    </message>
    <message>
        <source>Driver:</source>
        <translation>Драйвер:</translation>
    </message>
    <message>
        <source>User:</source>
        <translation>Пользователь:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Пароль:</translation>
    </message>
</context>
<context>
    <name>PhasesView</name>
    <message>
        <source>Day</source>
        <translation>День</translation>
    </message>
    <message>
        <source>Week</source>
        <translation>Неделя</translation>
    </message>
    <message>
        <source>Date:</source>
        <translation>Дата:</translation>
    </message>
    <message>
        <source>with transition state</source>
        <translation>с переходным состоянием</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Обновить</translation>
    </message>
    <message>
        <source>averaging</source>
        <translation>усреднение</translation>
    </message>
    <message>
        <source>Phase %1</source>
        <translation>Фаза %1</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Состояние</translation>
    </message>
    <message>
        <source> (avg)</source>
        <translation> (средн.)</translation>
    </message>
</context>
<context>
    <name>PlotController</name>
    <message>
        <source>Save as PNG…</source>
        <translation>Сохранить как PNG…</translation>
    </message>
    <message>
        <source>Save as PDF…</source>
        <translation>Сохранить как PDF…</translation>
    </message>
    <message>
        <source>Save as PNG</source>
        <translation>Сохранить как PNG</translation>
    </message>
    <message>
        <source>PNG images (*.png)</source>
        <translation>Изображения PNG (*.png)</translation>
    </message>
    <message>
        <source>Save as PDF</source>
        <translation>Сохранить как PDF</translation>
    </message>
    <message>
        <source>PDF documents (*.pdf)</source>
        <translation>Документы PDF (*.pdf)</translation>
    </message>
</context>
<context>
    <name>Progress</name>
    <message>
        <source>Data updating</source>
        <translation>Обновление данных</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>interruption ...</source>
        <translation>прерывание ...</translation>
    </message>
    <message>
        <source>Rows received: %L1</source>
        <translation>Получено строк: %L1</translation>
    </message>
</context>
<context>
    <name>ProxySocket</name>
    <message>
        <source>error listening</source>
        <translation>ошибка прослушивания</translation>
    </message>
    <message>
        <source>can&apos;t set socket descriptor</source>
        <translation>не удаётся установить дескриптор сокета</translation>
    </message>
    <message>
        <source>can&apos;t reach %1:%2: %3</source>
        <translation>нет связи с %1:%2: %3</translation>
    </message>
    <message>
        <source>proxy %1:%2: %3</source>
        <translation>прокси %1:%2: %3</translation>
    </message>
    <message>
        <source>no answer within %1 s</source>
        <translation>нет ответа в течение %1 с</translation>
    </message>
    <message>
        <source>the proxy failed</source>
        <translation>сбой прокси</translation>
    </message>
    <message>
        <source>the proxy&apos;s rules do not allow the connection</source>
        <translation>правила прокси не разрешают соединение</translation>
    </message>
    <message>
        <source>network unreachable</source>
        <translation>сеть недоступна</translation>
    </message>
    <message>
        <source>host unreachable</source>
        <translation>узел недоступен</translation>
    </message>
    <message>
        <source>connection refused</source>
        <translation>в соединении отказано</translation>
    </message>
    <message>
        <source>time-to-live expired</source>
        <translation>истекло время жизни (TTL)</translation>
    </message>
    <message>
        <source>the proxy answered with error %1</source>
        <translation>прокси ответил ошибкой %1</translation>
    </message>
    <message>
        <source>the proxy does not speak SOCKS5</source>
        <translation>прокси не поддерживает SOCKS5</translation>
    </message>
    <message>
        <source>the proxy accepts none of our ways to log in</source>
        <translation>прокси не принимает ни один из наших способов входа</translation>
    </message>
    <message>
        <source>the proxy refused the user name or password</source>
        <translation>прокси отверг имя пользователя или пароль</translation>
    </message>
    <message>
        <source>the proxy does not speak HTTP</source>
        <translation>прокси не отвечает по HTTP</translation>
    </message>
    <message>
        <source>the proxy answered: %1</source>
        <translation>ответ прокси: %1</translation>
    </message>
    <message>
        <source>refused a connection: %1 connections are relayed already</source>
        <translation>соединение отклонено: уже передаётся соединений: %1</translation>
    </message>
    <message>
        <source>refused a connection whose owner is not listed in /proc/net/tcp</source>
        <translation>соединение отклонено: его владелец не найден в /proc/net/tcp</translation>
    </message>
    <message>
        <source>refused a connection of another user (uid %1)</source>
        <translation>отклонено соединение другого пользователя (uid %1)</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>ERROR: overflow substitute type %1</source>
        <translation>ОШИБКА: переполнение, тип подстановки %1</translation>
    </message>
    <message>
        <source>ERROR: invalid variant list</source>
        <translation>ОШИБКА: неверный список вариантов</translation>
    </message>
    <message>
        <source>ERROR: invalid variant index %1</source>
        <translation>ОШИБКА: неверный индекс варианта %1</translation>
    </message>
    <message>
        <source>ERROR: unknown conversion code %1h</source>
        <translation>ОШИБКА: неизвестный код преобразования %1h</translation>
    </message>
</context>
<context>
    <name>SGView</name>
    <message>
        <source>Hour</source>
        <translation>Час</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>День</translation>
    </message>
    <message>
        <source>Week</source>
        <translation>Неделя</translation>
    </message>
    <message>
        <source>Date:</source>
        <translation>Дата:</translation>
    </message>
    <message>
        <source>signal groups</source>
        <translation>сигнальные группы</translation>
    </message>
    <message>
        <source>timeline</source>
        <translation>временная диаграмма</translation>
    </message>
    <message>
        <source>cycles</source>
        <translation>циклы</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Обновить</translation>
    </message>
    <message>
        <source>smoothing</source>
        <translation>сглаживание</translation>
    </message>
    <message>
        <source>SG %1</source>
        <translation>СГ %1</translation>
    </message>
    <message>
        <source> (avg)</source>
        <translation> (средн.)</translation>
    </message>
</context>
<context>
    <name>SqlLiteralWriter</name>
    <message>
        <source>The text value is not valid Unicode</source>
        <translation>Текстовое значение не является корректным Юникодом</translation>
    </message>
    <message>
        <source>PostgreSQL text cannot hold the NUL character</source>
        <translation>Текст PostgreSQL не может содержать символ NUL</translation>
    </message>
    <message>
        <source>A number that is not finite has no literal</source>
        <translation>Для бесконечного или неопределённого числа нет литерала</translation>
    </message>
    <message>
        <source>A value of type %1 has no literal</source>
        <translation>Для значения типа %1 нет литерала</translation>
    </message>
</context>
<context>
    <name>cwsimple::Chart</name>
    <message>
        <source>Row</source>
        <translation>Строка</translation>
    </message>
    <message>
        <source>From</source>
        <translation>Начало</translation>
    </message>
    <message>
        <source>To</source>
        <translation>Конец</translation>
    </message>
    <message>
        <source>Length, s</source>
        <translation>Длительность, с</translation>
    </message>
    <message>
        <source>Colour</source>
        <translation>Цвет</translation>
    </message>
</context>
</TS>
