<?xml version="1.0" encoding="UTF-8"?>
<!-- Produces plain text instead of markup. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="text"/>
  <xsl:template match="/">not markup</xsl:template>
</xsl:stylesheet>
