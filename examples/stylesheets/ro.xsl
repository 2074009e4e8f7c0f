<?xml version="1.0" encoding="UTF-8"?>
<!-- Reverse-osmosis chapter: system overview, one section per pass with its flow
     diagram, and the module's design messages. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:output method="xml" encoding="UTF-8"/>

  <xsl:template match="/report">
    <ro>
      <projecttitle><msg>Reverse osmosis</msg></projecttitle>
      <page/>
      <xsl:call-template name="heading"><xsl:with-param name="text" select="'Reverse osmosis'"/></xsl:call-template>
      <xsl:for-each select="system">
        <xsl:call-template name="datatable"/>
      </xsl:for-each>
      <xsl:if test="overview">
        <diagram type="overview" x="10" y="110" width="250">
          <xsl:for-each select="overview/parameter"><xsl:copy-of select="."/></xsl:for-each>
        </diagram>
      </xsl:if>
      <xsl:for-each select="pass">
        <page/>
        <xsl:call-template name="heading">
          <xsl:with-param name="text" select="concat('Pass ', @number)"/>
          <xsl:with-param name="level" select="1"/>
        </xsl:call-template>
        <xsl:call-template name="datatable"/>
        <diagram type="pass" x="10" y="120" width="250">
          <xsl:for-each select="parameter"><xsl:copy-of select="."/></xsl:for-each>
        </diagram>
      </xsl:for-each>
      <xsl:for-each select="notes">
        <page/>
        <xsl:call-template name="heading">
          <xsl:with-param name="text" select="'Design messages'"/>
          <xsl:with-param name="level" select="1"/>
        </xsl:call-template>
        <notes mtype="{@module}" flags1="{@flags1}" flags2="{@flags2}"/>
      </xsl:for-each>
    </ro>
  </xsl:template>
</xsl:stylesheet>
