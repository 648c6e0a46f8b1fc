Ziehen Sie die Bilder in der Diashow mit der Maus in die gewünschte Reihenfolge.
