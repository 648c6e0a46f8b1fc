Mit dem Bildbetrachter sehen Sie alle Bilder einer Diashow in voller Größe. Die Pfeiltasten schalten weiter.
