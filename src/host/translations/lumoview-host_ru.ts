<?xml version='1.0' encoding='utf-8'?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>HostWindow</name>
    <message>
        <source>LumoView host</source>
        <translation>Хост LumoView</translation>
    </message>
    <message>
        <source>No module loaded</source>
        <translation>Модуль не загружен</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <source>&amp;Database parameters...</source>
        <translation>&amp;Параметры базы данных...</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Выход</translation>
    </message>
    <message>
        <source>Cannot load the module %1:
%2</source>
        <translation>Не удаётся загрузить модуль %1:
%2</translation>
    </message>
    <message>
        <source>&lt;h2&gt;LumoView&lt;/h2&gt;&lt;p&gt;Module %1 loaded, version %2&lt;/p&gt;</source>
        <translation>&lt;h2&gt;LumoView&lt;/h2&gt;&lt;p&gt;Модуль %1 загружен, версия %2&lt;/p&gt;</translation>
    </message>
    <message>
        <source>The module cannot take a database URL</source>
        <translation>Модуль не принимает URL базы данных</translation>
    </message>
    <message>
        <source>Database: %1</source>
        <translation>База данных: %1</translation>
    </message>
    <message>
        <source>The module cannot edit its database parameters</source>
        <translation>Модуль не может изменить параметры базы данных</translation>
    </message>
    <message>
        <source>Database parameters changed</source>
        <translation>Параметры базы данных изменены</translation>
    </message>
    <message>
        <source>The module has no view "%1"</source>
        <translation>В модуле нет представления «%1»</translation>
    </message>
    <message>
        <source>Event log, object %1</source>
        <translation>Журнал событий, объект %1</translation>
    </message>
    <message>
        <source>Phases, object %1</source>
        <translation>Фазы, объект %1</translation>
    </message>
    <message>
        <source>Detector data, object %1</source>
        <translation>Данные детекторов, объект %1</translation>
    </message>
    <message>
        <source>Detector statistics, object %1</source>
        <translation>Статистика детекторов, объект %1</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Workstation host for the LumoView module</source>
        <translation>Рабочее место для модуля LumoView</translation>
    </message>
    <message>
        <source>Plug-in file to load.</source>
        <translation>Загружаемый файл модуля.</translation>
    </message>
    <message>
        <source>Database URL.</source>
        <translation>URL базы данных.</translation>
    </message>
    <message>
        <source>Controller object number.</source>
        <translation>Номер объекта контроллера.</translation>
    </message>
    <message>
        <source>View to open: log, phases, sg, dt, dtstat, faults, health (repeatable).</source>
        <translation>Открываемое представление: log, phases, sg, dt, dtstat, faults, health (можно повторять).</translation>
    </message>
    <message>
        <source>Save a picture of the window, then quit.</source>
        <translation>Сохранить снимок окна и выйти.</translation>
    </message>
    <message>
        <source>Milliseconds to wait before the picture.</source>
        <translation>Задержка перед снимком, мс.</translation>
    </message>
    <message>
        <source>Open the database parameters dialog at start.</source>
        <translation>Открыть диалог параметров базы данных при запуске.</translation>
    </message>
    <message>
        <source>Interface language, for example ru or en.</source>
        <translation>Язык интерфейса, например ru или en.</translation>
    </message>
    <message>
        <source>Search text of the event log views.</source>
        <translation>Текст поиска в журналах событий.</translation>
    </message>
    <message>
        <source>Event type the event log views show (repeatable).</source>
        <translation>Тип событий, показываемый в журналах событий (можно повторять).</translation>
    </message>
    <message>
        <source>Milliseconds to wait once the views have loaded, before the picture.</source>
        <translation>Сколько миллисекунд ждать после загрузки представлений перед снимком.</translation>
    </message>
    <message>
        <source>Place the views side by side instead of as tabs.</source>
        <translation>Расположить представления рядом, а не вкладками.</translation>
    </message>
    <message>
        <source>Report the views&apos; message and status lines on standard output.</source>
        <translation>Выводить строки сообщений и состояния представлений на стандартный вывод.</translation>
    </message>
    <message>
        <source>Take commands for the views on standard input (refresh, date, cancel, quit); quit when it ends.</source>
        <translation>Принимать команды для представлений со стандартного ввода (refresh, date, cancel, quit); завершиться, когда он закончится.</translation>
    </message>
</context>
</TS>