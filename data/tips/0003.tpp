Hintergrundmusik fügen Sie auf der Seite "Einstellungen Diashow" hinzu. Es werden MP3- und WAV-Dateien mit 44100 Hz in Stereo verwendet.
