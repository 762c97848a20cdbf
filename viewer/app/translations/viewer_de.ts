<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>ColorEffects</name>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <source>B &amp; W</source>
        <translation>S/W</translation>
    </message>
    <message>
        <source>Negative</source>
        <translation>Negativ</translation>
    </message>
    <message>
        <source>Mosaic</source>
        <translation>Mosaik</translation>
    </message>
</context>
<context>
    <name>CompareController</name>
    <message>
        <source>Second camera unplugged</source>
        <translation>Zweite Kamera getrennt</translation>
    </message>
    <message>
        <source>No picture to compare</source>
        <translation>Kein Bild zum Vergleichen</translation>
    </message>
    <message>
        <source>All panes are taken</source>
        <translation>Alle Felder sind belegt</translation>
    </message>
    <message>
        <source>No photograph to compare</source>
        <translation>Kein Foto zum Vergleichen</translation>
    </message>
    <message>
        <source>No second camera</source>
        <translation>Keine zweite Kamera</translation>
    </message>
</context>
<context>
    <name>EffectToolWindow</name>
    <message>
        <source>Color Effect</source>
        <translation>Farbeffekt</translation>
    </message>
</context>
<context>
    <name>ImageCanvas</name>
    <message>
        <source>Snapshot not saved</source>
        <translation>Schnappschuss nicht gespeichert</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Picture</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Scan page</source>
        <translation>Seite scannen</translation>
    </message>
    <message>
        <source>Live mode: the camera&apos;s picture</source>
        <translation>Live-Modus: das Bild der Kamera</translation>
    </message>
    <message>
        <source>Film mode: the film being played</source>
        <translation>Film-Modus: der laufende Film</translation>
    </message>
    <message>
        <source>Photograph mode: the photograph shown</source>
        <translation>Foto-Modus: das gezeigte Foto</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Breite</translation>
    </message>
    <message>
        <source>Line Width</source>
        <translation>Linienbreite</translation>
    </message>
    <message>
        <source>Line Color</source>
        <translation>Linienfarbe</translation>
    </message>
    <message>
        <source>Fill Color</source>
        <translation>Füllfarbe</translation>
    </message>
    <message>
        <source>Live</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>Film</source>
        <translation>Film</translation>
    </message>
    <message>
        <source>Photograph</source>
        <translation>Foto</translation>
    </message>
    <message>
        <source>Noting</source>
        <translation>Notizen</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Linie</translation>
    </message>
    <message>
        <source>Rectangle</source>
        <translation>Rechteck</translation>
    </message>
    <message>
        <source>Freehand</source>
        <translation>Freihand</translation>
    </message>
    <message>
        <source>Circle</source>
        <translation>Kreis</translation>
    </message>
    <message>
        <source>Arrow</source>
        <translation>Pfeil</translation>
    </message>
    <message>
        <source>Triangle</source>
        <translation>Dreieck</translation>
    </message>
    <message>
        <source>Eraser</source>
        <translation>Radierer</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Erase all</source>
        <translation>Alles löschen</translation>
    </message>
    <message>
        <source>Clip image</source>
        <translation>Ausschnitt kopieren</translation>
    </message>
    <message>
        <source>Hand</source>
        <translation>Hand</translation>
    </message>
    <message>
        <source>Assisting</source>
        <translation>Hilfen</translation>
    </message>
    <message>
        <source>Mask</source>
        <translation>Maske</translation>
    </message>
    <message>
        <source>Effect</source>
        <translation>Effekt</translation>
    </message>
    <message>
        <source>Adjustment</source>
        <translation>Einstellung</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Reset zoom</source>
        <translation>Zoom zurücksetzen</translation>
    </message>
    <message>
        <source>Auto focus</source>
        <translation>Autofokus</translation>
    </message>
    <message>
        <source>Brightness down</source>
        <translation>Dunkler</translation>
    </message>
    <message>
        <source>Brightness up</source>
        <translation>Heller</translation>
    </message>
    <message>
        <source>Rotate</source>
        <translation>Drehen</translation>
    </message>
    <message>
        <source>Freeze</source>
        <translation>Standbild</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>Aufnahme</translation>
    </message>
    <message>
        <source>Record video</source>
        <translation>Video aufnehmen</translation>
    </message>
    <message>
        <source>Take snapshot</source>
        <translation>Schnappschuss aufnehmen</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>1        2        5       10      15      30  sec.</source>
        <translation>1        2        5       10      15      30  s</translation>
    </message>
    <message>
        <source>Films (*.avi *.mp4 *.webm *.wmv);;AVI Files (*.avi);;MP4 Files (*.mp4);;WebM Files (*.webm);;WMV Files (*.wmv)</source>
        <translation>Filme (*.avi *.mp4 *.webm *.wmv);;AVI-Dateien (*.avi);;MP4-Dateien (*.mp4);;WebM-Dateien (*.webm);;WMV-Dateien (*.wmv)</translation>
    </message>
    <message>
        <source>%1 recording is not installed: recording AVI</source>
        <translation>%1-Aufnahme ist nicht installiert: Aufnahme als AVI</translation>
    </message>
    <message>
        <source>Time-lapse: frames %1, film %2</source>
        <translation>Zeitraffer: Bilder %1, Film %2</translation>
    </message>
    <message>
        <source>Recording failed</source>
        <translation>Aufnahme fehlgeschlagen</translation>
    </message>
    <message>
        <source>Recording ended</source>
        <translation>Aufnahme beendet</translation>
    </message>
    <message>
        <source>Printing failed</source>
        <translation>Drucken fehlgeschlagen</translation>
    </message>
    <message>
        <source>Open tool panel</source>
        <translation>Werkzeugleiste öffnen</translation>
    </message>
    <message>
        <source>Close tool panel</source>
        <translation>Werkzeugleiste schließen</translation>
    </message>
    <message>
        <source>Open film</source>
        <translation>Film öffnen</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Rewind</source>
        <translation>Zurückspulen</translation>
    </message>
    <message>
        <source>Fast forward</source>
        <translation>Vorspulen</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Open folder</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>Previous photograph</source>
        <translation>Vorheriges Foto</translation>
    </message>
    <message>
        <source>Slideshow</source>
        <translation>Diashow</translation>
    </message>
    <message>
        <source>Next photograph</source>
        <translation>Nächstes Foto</translation>
    </message>
    <message>
        <source>Thumbnails</source>
        <translation>Miniaturansichten</translation>
    </message>
    <message>
        <source>Slideshow interval</source>
        <translation>Diashow-Intervall</translation>
    </message>
</context>
<context>
    <name>MaskToolWindow</name>
    <message>
        <source>Circle mask</source>
        <translation>Kreismaske</translation>
    </message>
    <message>
        <source>Rectangle mask</source>
        <translation>Rechteckmaske</translation>
    </message>
    <message>
        <source>Left mask</source>
        <translation>Linke Maske</translation>
    </message>
    <message>
        <source>Top mask</source>
        <translation>Obere Maske</translation>
    </message>
    <message>
        <source>Effect</source>
        <translation>Effekt</translation>
    </message>
</context>
<context>
    <name>OSDProcessor</name>
    <message>
        <source>Best fit</source>
        <translation>Eingepasst</translation>
    </message>
    <message>
        <source>%1x</source>
        <translation>%1x</translation>
    </message>
</context>
<context>
    <name>PictureInPicture</name>
    <message>
        <source>Camera unplugged</source>
        <translation>Kamera getrennt</translation>
    </message>
    <message>
        <source>%1
unplugged</source>
        <translation>%1
getrennt</translation>
    </message>
</context>
<context>
    <name>RotateToolWindow</name>
    <message>
        <source>Rotate</source>
        <translation>Drehen</translation>
    </message>
    <message>
        <source>Turn left</source>
        <translation>Nach links drehen</translation>
    </message>
    <message>
        <source>Turn right</source>
        <translation>Nach rechts drehen</translation>
    </message>
    <message>
        <source>Mirror left-right</source>
        <translation>Links-rechts spiegeln</translation>
    </message>
    <message>
        <source>Mirror top-bottom</source>
        <translation>Oben-unten spiegeln</translation>
    </message>
</context>
<context>
    <name>ScanController</name>
    <message>
        <source>There is no camera picture to scan.</source>
        <translation>Es gibt kein Kamerabild zum Scannen.</translation>
    </message>
    <message>
        <source>The page could not be stored.</source>
        <translation>Die Seite konnte nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Page %1 scanned.</source>
        <translation>Seite %1 gescannt.</translation>
    </message>
    <message>
        <source>No page found: page %1 is the whole picture.</source>
        <translation>Keine Seite gefunden: Seite %1 ist das ganze Bild.</translation>
    </message>
    <message>
        <source>There are no scanned pages to save.</source>
        <translation>Es gibt keine gescannten Seiten zum Speichern.</translation>
    </message>
    <message>
        <source>Please select a snapshot folder first.</source>
        <translation>Bitte zuerst einen Ordner für Schnappschüsse wählen.</translation>
    </message>
    <message>
        <source>The PDF is saved when the text of every page has been read.</source>
        <translation>Das PDF wird gespeichert, sobald der Text jeder Seite gelesen ist.</translation>
    </message>
    <message>
        <source>The PDF could not be saved; the scanned pages are kept.</source>
        <translation>Das PDF konnte nicht gespeichert werden; die gescannten Seiten bleiben erhalten.</translation>
    </message>
    <message>
        <source>Saved %1.</source>
        <translation>%1 gespeichert.</translation>
    </message>
    <message>
        <source>There is no scanned page.</source>
        <translation>Es gibt keine gescannte Seite.</translation>
    </message>
    <message>
        <source>The text of this page is still being read.</source>
        <translation>Der Text dieser Seite wird noch gelesen.</translation>
    </message>
    <message>
        <source>There is no text on this page.</source>
        <translation>Auf dieser Seite steht kein Text.</translation>
    </message>
    <message>
        <source>The text of page %1 is on the clipboard.</source>
        <translation>Der Text von Seite %1 ist in der Zwischenablage.</translation>
    </message>
    <message>
        <source>The page could not be deleted.</source>
        <translation>Die Seite konnte nicht gelöscht werden.</translation>
    </message>
    <message>
        <source>Text recognition is not available: the language pack &quot;%1&quot; is not installed. The pages are kept without text.</source>
        <translation>Texterkennung ist nicht verfügbar: das Sprachpaket „%1“ ist nicht installiert. Die Seiten werden ohne Text behalten.</translation>
    </message>
</context>
<context>
    <name>ScanStrip</name>
    <message>
        <source>Move left</source>
        <translation>Nach links</translation>
    </message>
    <message>
        <source>Move right</source>
        <translation>Nach rechts</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Save as PDF</source>
        <translation>Als PDF speichern</translation>
    </message>
    <message>
        <source>Copy text</source>
        <translation>Text kopieren</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Verwerfen</translation>
    </message>
    <message>
        <source>Auto capture</source>
        <translation>Automatisch aufnehmen</translation>
    </message>
    <message>
        <source>Reading text %p%</source>
        <translation>Text wird gelesen %p%</translation>
    </message>
</context>
<context>
    <name>SettingsToolWindow</name>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Time-lapse</source>
        <translation>Zeitraffer</translation>
    </message>
    <message>
        <source>%1 (not installed)</source>
        <translation>%1 (nicht installiert)</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Document Camera</source>
        <translation>Dokumentenkamera</translation>
    </message>
    <message>
        <source>Single</source>
        <translation>Einzeln</translation>
    </message>
    <message>
        <source>Continuous</source>
        <translation>Fortlaufend</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>Auflösung</translation>
    </message>
    <message>
        <source>Capture</source>
        <translation>Aufnahme</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Save as</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>Aufnahme</translation>
    </message>
    <message>
        <source>On</source>
        <translation>Ein</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Kamera</translation>
    </message>
    <message>
        <source>Presentation</source>
        <translation>Präsentation</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Durchsuchen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>StillPane</name>
    <message>
        <source>The picture cannot be read</source>
        <translation>Das Bild kann nicht gelesen werden</translation>
    </message>
</context>
<context>
    <name>StyleWindow</name>
    <message>
        <source>Minimize</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Maximize</source>
        <translation>Maximieren</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>TextToolWindow</name>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
</context>
<context>
    <name>ToolStyles</name>
    <message>
        <source>Black</source>
        <translation>Schwarz</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rot</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Gelb</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blau</translation>
    </message>
    <message>
        <source>No fill</source>
        <translation>Keine Füllung</translation>
    </message>
    <message>
        <source>Line %1 pixels wide</source>
        <translation>Linie %1 Pixel breit</translation>
    </message>
</context>
<context>
    <name>ToolWindow</name>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
</TS>
