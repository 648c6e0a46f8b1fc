Mit einem Doppelklick auf eine Diashow in der Archivliste öffnen Sie sie direkt.
