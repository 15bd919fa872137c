<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="ru_RU">
<context>
    <name>TMain</name>
    <message>
        <source>    Программе не хватает ресурсов. Она будет закрыта.
    Если Вы все же хотите увидеть результат ее работы, то
поменяйте железо или попробуйте запустить ее в Windows XP.</source>
        <translation>    The program lacks resources and will be closed.
    If you still want to see what it does,
change the hardware or try running it under Windows XP.</translation>
    </message>
</context>
<context>
    <name>TPref</name>
    <message>
        <source>Orvanex - Настройка</source>
        <translation>Orvanex - Settings</translation>
    </message>
    <message>
        <source>Общие</source>
        <translation>General</translation>
    </message>
    <message>
        <source> Цвет символов </source>
        <translation> Symbol colour </translation>
    </message>
    <message>
        <source>Красный</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>Зеленый</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>Синий</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>M</source>
        <translation>M</translation>
    </message>
    <message>
        <source> Цвет фона </source>
        <translation> Background colour </translation>
    </message>
    <message>
        <source> Фоновый рисунок </source>
        <translation> Background picture </translation>
    </message>
    <message>
        <source>Есть</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>&gt;&gt;</source>
        <translation>&gt;&gt;</translation>
    </message>
    <message>
        <source> Вариация хранителя экрана </source>
        <translation> Screen saver variation </translation>
    </message>
    <message>
        <source>Вариация N1</source>
        <translation>Variation 1</translation>
    </message>
    <message>
        <source>Вариация N2</source>
        <translation>Variation 2</translation>
    </message>
    <message>
        <source>Вариация N3</source>
        <translation>Variation 3</translation>
    </message>
    <message>
        <source>Вариация 1</source>
        <translation>Variation 1</translation>
    </message>
    <message>
        <source> Количество символов </source>
        <translation> Number of symbols </translation>
    </message>
    <message>
        <source> Приближение/удаление </source>
        <translation> Approach/recede </translation>
    </message>
    <message>
        <source>Только приближение</source>
        <translation>Approach only</translation>
    </message>
    <message>
        <source>Только удаление</source>
        <translation>Recede only</translation>
    </message>
    <message>
        <source>И приближение и удаление</source>
        <translation>Approach and recede</translation>
    </message>
    <message>
        <source> Яркость </source>
        <translation> Brightness </translation>
    </message>
    <message>
        <source>Изменять</source>
        <translation>Changing</translation>
    </message>
    <message>
        <source>Не изменять</source>
        <translation>Constant</translation>
    </message>
    <message>
        <source> Скорость приближения/удаления </source>
        <translation> Approach/recede speed </translation>
    </message>
    <message>
        <source> Скорость изменения яркости </source>
        <translation> Brightness change speed </translation>
    </message>
    <message>
        <source>Вариация 2</source>
        <translation>Variation 2</translation>
    </message>
    <message>
        <source> Движение </source>
        <translation> Movement </translation>
    </message>
    <message>
        <source>Включено</source>
        <translation>On</translation>
    </message>
    <message>
        <source>Выключено</source>
        <translation>Off</translation>
    </message>
    <message>
        <source> Размер символов </source>
        <translation> Symbol size </translation>
    </message>
    <message>
        <source> Скорость движения </source>
        <translation> Movement speed </translation>
    </message>
    <message>
        <source>Вариация 3</source>
        <translation>Variation 3</translation>
    </message>
    <message>
        <source> Количество цепочек </source>
        <translation> Number of chains </translation>
    </message>
    <message>
        <source> Количество символов в цепочке </source>
        <translation> Symbols per chain </translation>
    </message>
    <message>
        <source> Скорость вращения </source>
        <translation> Turning speed </translation>
    </message>
    <message>
        <source> Вращение </source>
        <translation> Turning </translation>
    </message>
    <message>
        <source>Нет</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Ось 1</source>
        <translation>Axis 1</translation>
    </message>
    <message>
        <source>Ось 2</source>
        <translation>Axis 2</translation>
    </message>
    <message>
        <source>Ось 3</source>
        <translation>Axis 3</translation>
    </message>
    <message>
        <source> Направление вращения </source>
        <translation> Turning direction </translation>
    </message>
    <message>
        <source>Прямое</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>Обратное</source>
        <translation>Reverse</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Сначала необходимо задать корректное имя файла рисунка!</source>
        <translation>First choose a valid picture file!</translation>
    </message>
    <message>
        <source>Выбор фонового рисунка</source>
        <translation>Choose a background picture</translation>
    </message>
</context>
</TS>
